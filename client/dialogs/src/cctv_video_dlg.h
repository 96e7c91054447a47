// The live CCTV viewer: the user picks one of the selected cameras and watches its
// video in a fixed area, a minute at a time.
//
// Viewing time. A watchdog thread looks every 500 ms whether the session has run for
// its time limit; it only posts to the GUI thread, which asks "more video?" (OK gives
// another minute, Cancel closes the dialog). Closing the dialog stops the video and
// ends the watchdog at once, whether the question is open or not: the watchdog never
// waits for the GUI thread, so joining it cannot deadlock.
#pragma once

#include <QDialog>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class CKavrelClientPDAApp;
class QComboBox;
class QLabel;
class QPushButton;
class VideoArea;

class CctvVideoDlg : public QDialog {
 public:
  // `presetMode`: opened for `cameraId` alone, without the camera list.
  CctvVideoDlg(CKavrelClientPDAApp& app, QWidget* parent, bool presetMode = false, std::uint32_t cameraId = 0);
  ~CctvVideoDlg() override;
  CctvVideoDlg(const CctvVideoDlg&) = delete;
  CctvVideoDlg& operator=(const CctvVideoDlg&) = delete;

  bool presetMode() const { return presetMode_; }
  std::uint32_t cameraId() const { return cameraId_; }
  // The camera's name when the video was last started from the list.
  const QString& cameraName() const { return cameraName_; }
  int curIndex() const { return curIndex_; }
  VideoArea* videoArea() const { return videoArea_; }
  QComboBox* cameraList() const { return combo_; }
  QPushButton* stopButton() const { return stopButton_; }
  bool watchdogRunning() const;
  // How many times the watchdog has looked at the viewing time.
  unsigned watchdogLooks() const { return watchdogLooks_.load(); }

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Start();
  void StartList();
  void StartPreset();
  void StartVideo();
  void OnCameraChosen(int index);
  void OnStop();
  void OnTimeUp();
  void StartWatchdog();
  void StopWatchdog();
  void WatchdogLoop();
  void Leave();

  CKavrelClientPDAApp& app_;
  const bool presetMode_;
  std::uint32_t cameraId_;
  int curIndex_ = -1;
  QString cameraName_;
  bool started_ = false;
  bool left_ = false;
  bool asking_ = false;  // the question is open (GUI thread)

  QLabel* listLabel_ = nullptr;
  QComboBox* combo_ = nullptr;
  VideoArea* videoArea_ = nullptr;
  QPushButton* stopButton_ = nullptr;

  std::thread watchdog_;
  mutable std::mutex watchdogMutex_;
  std::condition_variable watchdogWake_;
  bool stopWatchdog_ = false;               // under watchdogMutex_
  std::atomic<bool> questionPosted_{false};  // one question at a time
  std::atomic<unsigned> watchdogLooks_{0};
};
