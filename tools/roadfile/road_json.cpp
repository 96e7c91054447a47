#include "road_json.h"

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>

#include "kavrel/cp949.h"

namespace roadfile {
namespace {

using Json = nlohmann::ordered_json;

// Reading one JSON object of the source: its fields by name, each failure a message
// that starts with the object's label.
class Fields {
 public:
  Fields(const Json& object, std::string label, std::string& error) : object_(object), label_(std::move(label)), error_(error) {}

  bool Check(std::initializer_list<std::string_view> known) {
    if (!object_.is_object()) return Fail("is not an object");
    for (const auto& item : object_.items()) {
      bool ok = false;
      for (std::string_view k : known) ok = ok || item.key() == k;
      if (!ok) return Fail("has an unknown field \"" + item.key() + "\"");
    }
    return true;
  }

  // An unsigned integer field; `required` false: absent gives 0.
  bool Number(const char* key, std::uint64_t max, std::uint64_t& value, bool required = true) {
    value = 0;
    auto it = object_.find(key);
    if (it == object_.end()) return required ? Fail(std::string("lacks \"") + key + "\"") : true;
    if (!it->is_number_integer() || it->is_number_float())
      return Fail(std::string("\"") + key + "\" is not a whole number");
    if (!it->is_number_unsigned()) return Fail(std::string("\"") + key + "\" is negative");
    value = it->get<std::uint64_t>();
    if (value > max) return Fail(std::string("\"") + key + "\" " + std::to_string(value) + " is above " + std::to_string(max));
    return true;
  }

  bool U32(const char* key, std::uint32_t& value, bool required = true) {
    std::uint64_t v = 0;
    if (!Number(key, std::numeric_limits<std::uint32_t>::max(), v, required)) return false;
    value = static_cast<std::uint32_t>(v);
    return true;
  }

  // A text field, converted to CP949.
  bool Text(const char* key, std::string& cp949) {
    auto it = object_.find(key);
    if (it == object_.end()) return Fail(std::string("lacks \"") + key + "\"");
    if (!it->is_string()) return Fail(std::string("\"") + key + "\" is not a text");
    const auto& utf8 = it->get_ref<const std::string&>();
    std::optional<std::string> converted = kavrel::Utf8ToCp949(utf8);
    if (!converted)
      return Fail(std::string("\"") + key + "\" \"" + kavrel::Cp949ToUtf8Lossy(kavrel::Utf8ToCp949Lossy(utf8)) +
                  "\" has a character that code page 949 cannot hold");
    cp949 = std::move(*converted);
    return true;
  }

  const Json* Array(const char* key) {
    auto it = object_.find(key);
    if (it == object_.end()) {
      Fail(std::string("lacks \"") + key + "\"");
      return nullptr;
    }
    if (!it->is_array()) {
      Fail(std::string("\"") + key + "\" is not a list");
      return nullptr;
    }
    return &*it;
  }

  // The object's name as written, for labels.
  std::string NameForLabel(const char* key) const {
    auto it = object_.is_object() ? object_.find(key) : object_.end();
    return (it != object_.end() && it->is_string()) ? " \"" + it->get<std::string>() + "\"" : "";
  }

  bool Fail(const std::string& what) {
    error_ = label_ + ": " + what;
    return false;
  }

 private:
  const Json& object_;
  std::string label_;
  std::string& error_;
};

bool ParseSegment(const Json& j, const std::string& label, protocol::RoadSegment& seg, std::string& error) {
  Fields f(j, label, error);
  return f.Check({"id", "from", "to", "length_m", "limit_kmh"}) && f.U32("id", seg.id) && f.Text("from", seg.from) &&
         f.Text("to", seg.to) && f.U32("length_m", seg.lengthM, false) && f.U32("limit_kmh", seg.limitKmh, false);
}

bool ParseRoad(const Json& j, std::size_t index, protocol::Road& road, std::string& error) {
  Fields f(j, "road " + std::to_string(index + 1), error);
  std::string label = "road " + std::to_string(index + 1) + f.NameForLabel("name");
  Fields g(j, label, error);
  if (!g.Check({"category", "id", "name", "segments"}) || !g.U32("category", road.category) || !g.U32("id", road.id) ||
      !g.Text("name", road.name))
    return false;
  label = "road " + std::to_string(index + 1) + " (\"" + j.at("name").get<std::string>() + "\", id " +
          std::to_string(road.id) + ")";
  Fields h(j, label, error);
  const Json* segments = h.Array("segments");
  if (!segments) return false;
  for (std::size_t k = 0; k < segments->size(); ++k) {
    protocol::RoadSegment seg;
    if (!ParseSegment((*segments)[k], label + ", segment " + std::to_string(k + 1), seg, error)) return false;
    road.segments.push_back(std::move(seg));
  }
  return true;
}

bool ParseCode(const Json& j, std::size_t index, protocol::NamedCode& entry, std::string& error) {
  Fields first(j, "named code " + std::to_string(index + 1), error);
  Fields f(j, "named code " + std::to_string(index + 1) + first.NameForLabel("name"), error);
  std::uint64_t code = 0;
  if (!f.Check({"name", "code"}) || !f.Text("name", entry.name) || !f.Number("code", 255, code)) return false;
  entry.code = static_cast<std::uint32_t>(code);
  return true;
}

std::string Quoted(std::string_view cp949, const std::string& where, std::vector<std::string>& warnings) {
  std::optional<std::string> utf8 = kavrel::Cp949ToUtf8(cp949);
  if (!utf8) {
    utf8 = kavrel::Cp949ToUtf8Lossy(cp949);
    warnings.push_back(where + ": \"" + *utf8 + "\" is not valid code page 949; shown with '?'");
  }
  return Json(*utf8).dump();
}

}  // namespace

bool ParseRoadFileJson(std::string_view text, protocol::RoadFileSource& source, std::string& error) {
  source = {};
  Json doc;
  try {
    doc = Json::parse(text);
  } catch (const Json::parse_error& e) {
    error = std::string("not valid JSON: ") + e.what();
    return false;
  }
  Fields top(doc, "the source", error);
  if (!top.Check({"roads", "codes"})) return false;
  const Json* roads = top.Array("roads");
  if (!roads) return false;
  const Json* codes = top.Array("codes");
  if (!codes) return false;
  for (std::size_t i = 0; i < roads->size(); ++i) {
    protocol::Road road;
    if (!ParseRoad((*roads)[i], i, road, error)) return false;
    source.roads.push_back(std::move(road));
  }
  for (std::size_t i = 0; i < codes->size(); ++i) {
    protocol::NamedCode entry;
    if (!ParseCode((*codes)[i], i, entry, error)) return false;
    source.codes.push_back(std::move(entry));
  }
  return true;
}

std::string RoadFileJson(const protocol::RoadFileSource& source, std::vector<std::string>& warnings) {
  std::string out = "{\n  \"roads\": [";
  for (std::size_t i = 0; i < source.roads.size(); ++i) {
    const protocol::Road& road = source.roads[i];
    const std::string where = "road " + std::to_string(i + 1);
    out += i ? ",\n" : "\n";
    out += "    {\"category\": " + std::to_string(road.category) + ", \"id\": " + std::to_string(road.id) +
           ", \"name\": " + Quoted(road.name, where, warnings) + ", \"segments\": [";
    for (std::size_t k = 0; k < road.segments.size(); ++k) {
      const protocol::RoadSegment& seg = road.segments[k];
      const std::string segWhere = where + ", segment " + std::to_string(k + 1);
      out += k ? ",\n" : "\n";
      out += "      {\"id\": " + std::to_string(seg.id) + ", \"from\": " + Quoted(seg.from, segWhere, warnings) +
             ", \"to\": " + Quoted(seg.to, segWhere, warnings);
      if (seg.lengthM) out += ", \"length_m\": " + std::to_string(seg.lengthM);
      if (seg.limitKmh) out += ", \"limit_kmh\": " + std::to_string(seg.limitKmh);
      out += "}";
    }
    out += road.segments.empty() ? "]}" : "\n    ]}";
  }
  out += source.roads.empty() ? "],\n  \"codes\": [" : "\n  ],\n  \"codes\": [";
  for (std::size_t i = 0; i < source.codes.size(); ++i) {
    out += i ? ",\n" : "\n";
    out += "    {\"name\": " + Quoted(source.codes[i].name, "named code " + std::to_string(i + 1), warnings) +
           ", \"code\": " + std::to_string(source.codes[i].code) + "}";
  }
  out += source.codes.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return out;
}

std::vector<std::string> ImageWarnings(std::span<const std::uint8_t> image) {
  std::vector<std::string> warnings;
  const protocol::RoadFileView file(image);
  if (file.StoredRoadCount() > file.RoadCount())
    warnings.push_back("the road count " + std::to_string(file.StoredRoadCount()) + " is read as " +
                       std::to_string(file.RoadCount()));
  for (std::size_t i = 0, n = file.RoadCount(); i < n; ++i) {
    const protocol::RoadView road = file.Road(i);
    if (road.StoredSegmentCount() > road.SegmentCount())
      warnings.push_back("road " + std::to_string(i + 1) + ": the segment count " +
                         std::to_string(road.StoredSegmentCount()) + " is read as " +
                         std::to_string(road.SegmentCount()));
  }
  if (file.StoredNamedCodeCount() > file.NamedCodeCount())
    warnings.push_back("the named-code count " + std::to_string(file.StoredNamedCodeCount()) + " is read as " +
                       std::to_string(file.NamedCodeCount()));
  return warnings;
}

}  // namespace roadfile
