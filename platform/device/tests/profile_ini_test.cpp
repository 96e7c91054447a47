// The profile reader against files written by QSettings, as the client writes them.
#include "kavrel/profile_ini.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QStringList>
#include <fstream>
#include <sstream>

#include "kavrel/testing/files.h"
#include "kavrel/testing/scratch.h"

namespace kavrel::device {
namespace {

using kavrel::testing::ReadFile;

const ProfileEntry* Find(const std::vector<ProfileEntry>& entries, std::string_view name) {
  for (const auto& e : entries)
    if (e.name == name) return &e;
  return nullptr;
}

TEST(ProfileIni, ReadsEveryTextAsTheSettingsStoreWroteIt) {
  const std::pair<const char*, QString> texts[] = {
      {"curr_ver", "1.0"},
      {"update_url", "http://127.0.0.1:8080/update.php?a=1&b=2"},
      {"update", "0,5,"},
      {"korean", QString::fromUtf8("교통정보 티커")},
      {"emoji", QString::fromUtf8("x\xF0\x9F\x9A\x97y")},  // a pair of surrogates
      {"semicolon", "a;b"},
      {"spaces", " lead trail "},
      {"quotes", "say \"hi\" \\ back"},
      {"controls", QString("a\nb\tc") + QChar(1) + "9" + QChar(0x7f)},
      {"at", "@start"},
      {"empty", ""},
      {"Key With Space", "x"},
      {"equals", "a=b"},
      {"hash", "#x"},
      {"이름", "korean key"},
  };
  kavrel::testing::ScratchDir dir("profile");
  const auto file = dir / "KavrelClientPDA.conf";
  {
    QSettings settings(QString::fromStdString(file.string()), QSettings::IniFormat);
    settings.beginGroup("Settings");
    for (const auto& [name, text] : texts) settings.setValue(QString::fromUtf8(name), text);
    settings.setValue("number", 7);
    settings.setValue("list", QStringList{"a", "b"});
    settings.setValue("bytes", QByteArray("raw"));
    settings.endGroup();
    settings.setValue("NEWSFLASH/show", 1);
  }
  auto entries = ReadProfileGroup(ReadFile(file), "settings");
  ASSERT_TRUE(entries);
  for (const auto& [name, text] : texts) {
    SCOPED_TRACE(name);
    auto* e = Find(*entries, name);
    ASSERT_TRUE(e);
    ASSERT_TRUE(e->text);
    EXPECT_EQ(*e->text, text.toStdU16String());
  }
  EXPECT_EQ(Find(*entries, "number")->text, u"7");
  EXPECT_EQ(Find(*entries, "bytes")->text, u"raw");
  ASSERT_TRUE(Find(*entries, "list"));
  EXPECT_EQ(Find(*entries, "list")->text, std::nullopt);  // not one text
  EXPECT_FALSE(Find(*entries, "show"));                   // another group's

  auto news = ReadProfileGroup(ReadFile(file), "NEWSFLASH");
  ASSERT_TRUE(news);
  ASSERT_EQ(news->size(), 1u);
  EXPECT_EQ(ReadProfileGroup(ReadFile(file), "CCTV"), std::nullopt);
}

TEST(ProfileIni, OddAndDamagedLinesAreReadSafely) {
  const std::string text =
      "; comment\n"
      "[Settings]\r\n"
      "plain = spaced value \r\n"
      "nokey\n"
      "=novalue\n"
      "open=\"never closed\n"
      "badescape=a\\q\n"
      "trailing=a\\\n"
      "hexrun=\\x41\\x\n"
      "hex=\\x41\\x00042\n"
      "octal=\\101\\0\n"
      "variant=@Variant(\\0\\0)\n"
      "badutf8=\xC3\x28\n"
      "comment=a ;rest\n"
      "[other]\n"
      "plain=other group\n"
      "[SETTINGS]\n"
      "later=merged\n"
      "PLAIN=replaced\n";
  auto entries = ReadProfileGroup(text, "Settings");
  ASSERT_TRUE(entries);
  auto value = [&](std::string_view name) -> std::optional<std::u16string> {
    auto* e = Find(*entries, name);
    return e ? e->text : std::nullopt;
  };
  EXPECT_FALSE(Find(*entries, "plain"));  // replaced by PLAIN in the repeated group
  EXPECT_EQ(value("PLAIN"), u"replaced");
  EXPECT_EQ(ReadProfileGroup(text, "other")->front().text, u"other group");
  EXPECT_EQ(value("later"), u"merged");
  EXPECT_EQ(value(""), std::nullopt);
  for (auto name : {"open", "badescape", "trailing", "hexrun", "variant", "badutf8"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Find(*entries, name));
    EXPECT_EQ(value(name), std::nullopt);
  }
  EXPECT_EQ(value("hex"), std::u16string(u"A") + u'\x0004' + u"2");
  EXPECT_EQ(value("octal"), std::u16string(u"A") + u'\0');
  EXPECT_EQ(value("comment"), u"a");
}

}  // namespace
}  // namespace kavrel::device
