// The update service on loopback: replies per version, reports in the database, files.
#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "update_service.h"

namespace kavreld {
namespace {

class UpdateServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("kus-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
            std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    Write("a.ini", "[ini]\n");
    Write("a.cab", std::string(5000, 'c'));
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Write(const std::string& name, const std::string& content) {
    std::ofstream(dir_ / name, std::ios::binary) << content;
  }
  std::optional<UpdateManifest> Load(const std::string& json, std::string& error) {
    Write("manifest.json", json);
    return UpdateManifest::Load(dir_, error);
  }
  std::filesystem::path dir_;
};

TEST_F(UpdateServiceTest, ManifestsThatCannotBeServedAreRefused) {
  const char* bad[] = {
      "not json",
      R"({"versions": {"1.0": {"reply": "maybe"}}})",
      R"({"versions": {"1.0": {"reply": "offer"}}})",
      R"({"versions": {"1.0": {"reply": "offer", "files": ["../a.cab"]}}})",
      R"({"versions": {"1.0": {"reply": "offer", "files": ["missing.cab"]}}})",
      R"({"versions": {"1.0": {"reply": "offer", "files": ["a.ini", "a.cab", "a.ini"]}}})",
      R"({"versions": {"1.0": {"reply": "offer", "files": ["a.cab"], "pre_info": "x<br>[server];evil"}}})",
      R"({"versions": {"1.0": {"reply": "none", "files": [1]}}})",
      R"({"server": "h;x", "versions": {}})",
  };
  for (const char* json : bad) {
    std::string error;
    EXPECT_FALSE(Load(json, error)) << json;
    EXPECT_FALSE(error.empty()) << json;
  }
}

TEST_F(UpdateServiceTest, RepliesReportsAndFiles) {
  std::string error;
  auto manifest = Load(R"({"versions": {
      "1.0": {"reply": "offer", "new_version": "1.1", "pre_info": "New roads;Restart", "files": ["a.ini", "a.cab"],
              "delete": ["old.dll"]},
      "0.9": {"reply": "major", "pre_info": "Reinstall"},
      "1.05": {"reply": "unconditional", "files": ["a.cab"]},
      "1.1": {"reply": "none"}}})",
                       error);
  ASSERT_TRUE(manifest) << error;
  auto reports = UpdateReports::Open(dir_ / "server.db", error);
  ASSERT_TRUE(reports) << error;
  UpdateServiceOptions options;
  options.address = "127.0.0.1";
  options.port = 0;
  options.dir = dir_;
  UpdateService service(options, *manifest, *reports, [](const std::string&) {});
  ASSERT_TRUE(service.Start(error)) << error;

  httplib::Client client("127.0.0.1", service.port());
  std::string host = "127.0.0.1:" + std::to_string(service.port());
  struct {
    const char* version;
    std::string reply;
  } cases[] = {
      {"1.0", "Update<br>\n[server];" + host + "<br>\n[patch_file];/files/a.ini;6;/files/a.cab;5000<br>\n"
              "[del_list];1;old.dll<br>\n[new_ver];1.1<br>\n[pre_info];New roads;Restart<br>\n"},
      {"0.9", "Major update<br>\n[server];" + host + "<br>\n[pre_info];Reinstall<br>\n"},
      {"1.05", "Unconditional update<br>\n[server];" + host + "<br>\n[patch_file];/files/a.cab;5000<br>\n"},
      {"1.1", "No update is available<br>\n"},
      {"7.7", "No update is available<br>\n"},
  };
  for (const auto& c : cases) {
    auto res = client.Get((std::string("/update?getinfo=2&ver=") + c.version).c_str());
    ASSERT_TRUE(res) << c.version;
    EXPECT_EQ(200, res->status);
    EXPECT_EQ(c.reply, res->body) << c.version;
    EXPECT_EQ("no-store", res->get_header_value("Cache-Control"));
  }

  for (const char* target : {"/update?getinfo=1&ver=1.0", "/update?getinfo=5&ver=1.0", "/update?getinfo=106&ver=1.0",
                             "/update?getinfo=6&ver=1.0"}) {
    auto res = client.Get(target);
    ASSERT_TRUE(res);
    EXPECT_EQ("OK\n", res->body);
  }
  auto all = reports->All();
  ASSERT_EQ(4u, all.size());
  std::string codes;
  for (const auto& r : all) {
    codes += r.code + " ";
    EXPECT_EQ("1.0", r.version);
    EXPECT_EQ("127.0.0.1", r.address);
    EXPECT_EQ(23u, r.time.size()) << r.time;
  }
  EXPECT_EQ("1 5 106 6 ", codes);

  auto file = client.Get("/files/a.cab");
  ASSERT_TRUE(file);
  EXPECT_EQ(200, file->status);
  EXPECT_EQ(std::string(5000, 'c'), file->body);
  for (const char* target : {"/files/manifest.json", "/files/..%2fa.cab", "/files/server.db", "/files/"}) {
    auto res = client.Get(target);
    ASSERT_TRUE(res);
    EXPECT_EQ(404, res->status) << target;
  }
  service.Stop();
}

}  // namespace
}  // namespace kavreld
