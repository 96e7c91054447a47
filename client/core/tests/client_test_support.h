// Shared pieces of the client's tests: a scratch profile per test.
#pragma once

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "qt_test_support.h"

namespace client::testing {

// The profile of one test: its own config folder (as $XDG_CONFIG_HOME would give).
class ScratchProfile {
 public:
  ScratchProfile() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  }
  // The folder that stands for $XDG_CONFIG_HOME.
  QString Folder() const { return dir_.path(); }
  QString FilePath() const { return dir_.path() + QStringLiteral("/VTQClient_PDA/KavrelClientPDA.conf"); }
  // Writes the file as a person or another program would.
  void WriteText(const QByteArray& text) const {
    QDir().mkpath(dir_.path() + QStringLiteral("/VTQClient_PDA"));
    QFile f(FilePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }
  QByteArray ReadText() const {
    QFile f(FilePath());
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
  }

 private:
  QTemporaryDir dir_;
};

using kavrel::ui::testing::ProcessUntil;

}  // namespace client::testing
