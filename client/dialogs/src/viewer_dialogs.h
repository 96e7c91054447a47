// The main view's road and route details and its live video, as the program wires
// them into the view (the core knows only ViewDialogs).
#pragma once

#include "view_dialogs.h"

class CKavrelClientPDAApp;

class ViewerDialogs : public ViewDialogs {
 public:
  explicit ViewerDialogs(CKavrelClientPDAApp& app) : app_(app) {}

  void RoadInfo(QWidget* owner) override;
  void RouteInfo(QWidget* owner) override;
  bool CctvVideo(QWidget* owner, QString& cameraName) override;
  void CctvScreen(QWidget* owner, std::uint32_t cameraId) override;

 private:
  CKavrelClientPDAApp& app_;
};
