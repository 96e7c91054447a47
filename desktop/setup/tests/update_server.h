// kavreld's update service for the installer's end-to-end tests: a manifest of its own
// over the files of the bench, on an ephemeral port of 127.0.0.1.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "update_manifest.h"
#include "update_reports.h"
#include "update_service.h"

namespace setup::testing {

class UpdateServer {
 public:
  // Serves `dir` (manifest.json and the files it names).
  void Start(const std::filesystem::path& dir, const std::string& manifestJson) {
    std::ofstream(dir / "manifest.json") << manifestJson;
    std::string error;
    auto manifest = kavreld::UpdateManifest::Load(dir, error);
    ASSERT_TRUE(manifest) << error;
    reports_ = kavreld::UpdateReports::Open(dir / "reports.db", error);
    ASSERT_TRUE(reports_) << error;
    kavreld::UpdateServiceOptions options;
    options.port = 0;
    options.dir = dir;
    service_ = std::make_unique<kavreld::UpdateService>(options, *manifest, *reports_, [](const std::string&) {});
    ASSERT_TRUE(service_->Start(error)) << error;
  }
  std::string UpdateUrl() const { return "http://127.0.0.1:" + std::to_string(service_->port()) + "/update"; }
  // The codes of the updaters' reports, in order ("1 5 6 ").
  std::string Reports() {
    std::string codes;
    for (const auto& r : reports_->All()) codes += r.code + " ";
    return codes;
  }

 private:
  std::unique_ptr<kavreld::UpdateReports> reports_;
  std::unique_ptr<kavreld::UpdateService> service_;
};

// Versions 1.0 (offered 1.1), 2.0 (nothing new), 3.0 (a major update).
inline const char* kTestManifest = R"({
  "versions": {
    "1.0": { "reply": "offer", "new_version": "1.1", "pre_info": "교통정보 티커 1.1;새 도로 파일",
             "files": ["KavrelClient.ini", "KavrelClient.cab"] },
    "2.0": { "reply": "none" },
    "3.0": { "reply": "major", "new_version": "4.0", "pre_info": "새 판" }
  }
})";

}  // namespace setup::testing
