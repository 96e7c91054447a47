#include "road_json.h"

#include <gtest/gtest.h>

#include "kavrel/cp949.h"

namespace roadfile {
namespace {

std::string Cp(std::string_view utf8) { return kavrel::Utf8ToCp949(utf8).value(); }

std::string ErrorOf(std::string_view text) {
  protocol::RoadFileSource source;
  std::string error;
  EXPECT_FALSE(ParseRoadFileJson(text, source, error)) << text;
  return error;
}

TEST(RoadFileJson, ParsesTheSchemaIntoCp949) {
  const char* text = R"({"roads":[{"category":2,"id":201,"name":"가람대교","segments":[
      {"id":1,"from":"가람대교북단","to":"가람대교남단","length_m":1340,"limit_kmh":70},
      {"id":2,"from":"가람대교남단","to":"가람대교북단"}]}],
    "codes":[{"name":"가람대교북단","code":255}]})";
  protocol::RoadFileSource source;
  std::string error;
  ASSERT_TRUE(ParseRoadFileJson(text, source, error)) << error;
  ASSERT_EQ(source.roads.size(), 1u);
  const protocol::Road& road = source.roads[0];
  EXPECT_EQ(road.category, 2u);
  EXPECT_EQ(road.id, 201u);
  EXPECT_EQ(road.name, Cp("가람대교"));
  ASSERT_EQ(road.segments.size(), 2u);
  EXPECT_EQ(road.segments[0], (protocol::RoadSegment{1, Cp("가람대교북단"), Cp("가람대교남단"), 1340, 70}));
  EXPECT_EQ(road.segments[1], (protocol::RoadSegment{2, Cp("가람대교남단"), Cp("가람대교북단"), 0, 0}));
  EXPECT_EQ(source.codes, (std::vector<protocol::NamedCode>{{Cp("가람대교북단"), 255}}));
}

TEST(RoadFileJson, PrintsWhatItParses) {
  protocol::RoadFileSource source;
  source.roads.push_back({1, 4294967295u, Cp("중앙\"대로\\"), {{7, Cp("시청앞"), Cp("중앙역"), 850, 60}, {8, "a", "b", 0, 50}}});
  source.roads.push_back({3, 301, Cp("산복터널"), {}});
  source.codes.push_back({Cp("시청앞"), 0});
  std::vector<std::string> warnings;
  const std::string json = RoadFileJson(source, warnings);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(json,
            "{\n"
            "  \"roads\": [\n"
            "    {\"category\": 1, \"id\": 4294967295, \"name\": \"중앙\\\"대로\\\\\", \"segments\": [\n"
            "      {\"id\": 7, \"from\": \"시청앞\", \"to\": \"중앙역\", \"length_m\": 850, \"limit_kmh\": 60},\n"
            "      {\"id\": 8, \"from\": \"a\", \"to\": \"b\", \"limit_kmh\": 50}\n"
            "    ]},\n"
            "    {\"category\": 3, \"id\": 301, \"name\": \"산복터널\", \"segments\": []}\n"
            "  ],\n"
            "  \"codes\": [\n"
            "    {\"name\": \"시청앞\", \"code\": 0}\n"
            "  ]\n"
            "}\n");
  protocol::RoadFileSource back;
  std::string error;
  ASSERT_TRUE(ParseRoadFileJson(json, back, error)) << error;
  EXPECT_EQ(back, source);

  EXPECT_EQ(RoadFileJson({}, warnings), "{\n  \"roads\": [],\n  \"codes\": []\n}\n");
}

TEST(RoadFileJson, ForeignNamesAreShownAndReported) {
  protocol::RoadFileSource source;
  source.roads.push_back({1, 1, "ok\xB0", {{1, "a", "\xFF\xFF", 0, 0}}});
  std::vector<std::string> warnings;
  const std::string json = RoadFileJson(source, warnings);
  EXPECT_NE(json.find("\"ok?\""), std::string::npos);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0], "road 1: \"ok?\" is not valid code page 949; shown with '?'");
  EXPECT_EQ(warnings[1].rfind("road 1, segment 1: ", 0), 0u);
}

TEST(RoadFileJson, MistakesNameTheRoadOrEntry) {
  EXPECT_EQ(ErrorOf("{\"roads\": [").rfind("not valid JSON: ", 0), 0u);
  EXPECT_EQ(ErrorOf("[]"), "the source: is not an object");
  EXPECT_EQ(ErrorOf(R"({"roads":[]})"), "the source: lacks \"codes\"");
  EXPECT_EQ(ErrorOf(R"({"roads":{},"codes":[]})"), "the source: \"roads\" is not a list");
  EXPECT_EQ(ErrorOf(R"({"roads":[],"codes":[],"extra":1})"), "the source: has an unknown field \"extra\"");

  const std::string road = R"({"roads":[{"category":1,"id":101,"name":"중앙대로","segments":[]},)";
  EXPECT_EQ(ErrorOf(road + R"({"category":1,"name":"시청로","segments":[]}],"codes":[]})"),
            "road 2 \"시청로\": lacks \"id\"");
  EXPECT_EQ(ErrorOf(road + R"({"category":-1,"id":5,"name":"시청로","segments":[]}],"codes":[]})"),
            "road 2 \"시청로\": \"category\" is negative");
  EXPECT_EQ(ErrorOf(road + R"({"category":1,"id":4294967296,"name":"시청로","segments":[]}],"codes":[]})"),
            "road 2 \"시청로\": \"id\" 4294967296 is above 4294967295");
  EXPECT_EQ(ErrorOf(road + R"({"category":1.5,"id":5,"name":"시청로","segments":[]}],"codes":[]})"),
            "road 2 \"시청로\": \"category\" is not a whole number");
  EXPECT_EQ(ErrorOf(road + R"({"category":1,"id":5,"name":7,"segments":[]}],"codes":[]})"),
            "road 2: \"name\" is not a text");
  EXPECT_EQ(ErrorOf(road + R"({"category":1,"id":5,"name":"길😀","segments":[]}],"codes":[]})"),
            "road 2 \"길😀\": \"name\" \"길?\" has a character that code page 949 cannot hold");
  EXPECT_EQ(ErrorOf(road + R"({"category":1,"id":5,"name":"시청로"}],"codes":[]})"),
            "road 2 (\"시청로\", id 5): lacks \"segments\"");
  EXPECT_EQ(ErrorOf(road + R"({"category":1,"id":5,"name":"시청로","segments":[{"id":1,"from":"a"}]}],"codes":[]})"),
            "road 2 (\"시청로\", id 5), segment 1: lacks \"to\"");
  EXPECT_EQ(
      ErrorOf(road + R"({"category":1,"id":5,"name":"시청로","segments":[{"id":1,"from":"a","to":"b","lenght_m":5}]}],"codes":[]})"),
      "road 2 (\"시청로\", id 5), segment 1: has an unknown field \"lenght_m\"");

  EXPECT_EQ(ErrorOf(R"({"roads":[],"codes":[{"name":"시청앞","code":256}]})"),
            "named code 1 \"시청앞\": \"code\" 256 is above 255");
  EXPECT_EQ(ErrorOf(R"({"roads":[],"codes":[{"name":"a","code":1},{"code":2}]})"), "named code 2: lacks \"name\"");
}

}  // namespace
}  // namespace roadfile
