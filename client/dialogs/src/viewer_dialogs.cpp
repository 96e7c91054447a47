#include "viewer_dialogs.h"

#include "cctv_screen_dlg.h"
#include "cctv_video_dlg.h"
#include "road_info_dlg.h"
#include "route_info_dlg.h"

void ViewerDialogs::RoadInfo(QWidget* owner) {
  RoadInfoDlg dlg(app_, owner);
  dlg.exec();
}

void ViewerDialogs::RouteInfo(QWidget* owner) {
  RouteInfoDlg dlg(app_, owner);
  dlg.exec();
}

bool ViewerDialogs::CctvVideo(QWidget* owner, QString& cameraName) {
  CctvVideoDlg dlg(app_, owner);
  const bool ok = dlg.exec() == QDialog::Accepted;
  cameraName = dlg.cameraName();
  return ok;
}

void ViewerDialogs::CctvScreen(QWidget* owner, std::uint32_t cameraId) {
  CctvScreenDlg dlg(app_, owner, cameraId);
  dlg.exec();
}
