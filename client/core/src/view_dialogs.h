// The dialogs the main view opens. The view runs each of them modally, with the
// navigation-bar title, the full-screen switch and `dialogOpen` around it; what a
// dialog does is the business of its class. The about box is the view's own; the
// others come with the dialogs that provide them and do nothing until then.
#pragma once

#include <QString>

#include <cstdint>

class QWidget;

class ViewDialogs {
 public:
  virtual ~ViewDialogs() = default;

  // The about box: the program, its version, what it shows.
  virtual void About(QWidget* owner);

  // The settings sheet.
  virtual void Settings(QWidget* /*owner*/) {}
  // Asks the server for the member's record; true when the change dialog may open.
  virtual bool GetMemberInformation() { return false; }
  // The membership dialog in change mode, filled from the record just fetched.
  virtual void ChangeMembership(QWidget* /*owner*/) {}
  // The membership dialog in join mode.
  virtual void Join(QWidget* /*owner*/) {}
  // The ID search; true with the ID found, false after Cancel.
  virtual bool FindId(QWidget* /*owner*/, QString& /*foundId*/) { return false; }
  // The road and the route detail dialogs.
  virtual void RoadInfo(QWidget* /*owner*/) {}
  virtual void RouteInfo(QWidget* /*owner*/) {}
  // The camera chooser of the video viewer; true when it ended with OK, with the
  // chosen camera's name (possibly empty).
  virtual bool CctvVideo(QWidget* /*owner*/, QString& /*cameraName*/) { return false; }
  // The live video of one camera.
  virtual void CctvScreen(QWidget* /*owner*/, std::uint32_t /*cameraId*/) {}
};
