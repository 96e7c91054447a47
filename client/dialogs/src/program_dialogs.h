// The dialogs the program gives its main view: the view's own ones, the membership
// dialogs, the settings sheet, and the viewer with the road and route details.
#pragma once

#include "member_view_dialogs.h"
#include "viewer_dialogs.h"

class CKavrelClientPDAApp;

class ProgramDialogs : public MemberViewDialogs {
 public:
  explicit ProgramDialogs(CKavrelClientPDAApp& app) : MemberViewDialogs(app), app_(app), viewer_(app) {}

  void Settings(QWidget* owner) override;
  void RoadInfo(QWidget* owner) override { viewer_.RoadInfo(owner); }
  void RouteInfo(QWidget* owner) override { viewer_.RouteInfo(owner); }
  bool CctvVideo(QWidget* owner, QString& cameraName) override { return viewer_.CctvVideo(owner, cameraName); }
  void CctvScreen(QWidget* owner, std::uint32_t cameraId) override { viewer_.CctvScreen(owner, cameraId); }

 private:
  CKavrelClientPDAApp& app_;
  ViewerDialogs viewer_;
};
