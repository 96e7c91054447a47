// The client's profile: everything that survives a restart, in the platform's
// settings store (organisation "VTQClient_PDA", application "KavrelClientPDA", one
// group per section). On Linux this is $XDG_CONFIG_HOME/VTQClient_PDA/KavrelClientPDA.conf;
// the desktop installer reads `curr_ver` and `update_url` from the same file.
//
// Every call goes straight to the store; nothing is cached here. Values that are
// missing read as their defaults; numbers that do not parse read as atoi reads them.
#pragma once

#include <QString>
#include <QStringList>

class CNewsFlash;

class CSettingsStore {
 public:
  static constexpr const char* kOrganisation = "VTQClient_PDA";
  static constexpr const char* kApplication = "KavrelClientPDA";
  static constexpr const char* kSettings = "Settings";
  static constexpr const char* kNewsFlash = "NEWSFLASH";
  static constexpr const char* kRoutes = "SHORTCUT";
  static constexpr const char* kRoads = "SEOULTRAFFIC";
  static constexpr const char* kCameras = "CCTV";
  static constexpr int kRowsPerList = 10;

  // The profile functions.
  QString GetProfileString(const char* section, const QString& key, const QString& defaultValue = {}) const;
  int GetProfileInt(const char* section, const QString& key, int defaultValue) const;
  void WriteProfileString(const char* section, const QString& key, const QString& value);
  void WriteProfileInt(const char* section, const QString& key, int value);

  // Settings section.
  QString ServerAddress() const;  // tsip
  int AutoLogin() const;          // auto_login
  QString LoginId() const;        // login_id
  int TickerStart() const;        // ticker_start
  // After a successful login: login_id = the id, ticker_start = 1.
  void SaveLogin(const QString& id);

  void LoadNewsFlash(CNewsFlash& news) const;
  void SaveNewsFlash(const CNewsFlash& news);

  // `update` followed by the non-empty entries 1 to 10 (SHORTCUT, SEOULTRAFFIC, CCTV).
  QStringList ReadList(const char* section) const;
  // The non-empty entries 1 to 10, without `update`.
  QStringList ReadEntries(const char* section) const;
  int ReadNum(const char* section) const;
  // The extra seconds: the first field of `update`.
  int ReadSeconds(const char* section) const;
  // update = "seconds,minutes,"; the texts to 1, 2, ...; num = count.
  void SaveList(const char* section, const QStringList& texts, int count, int seconds, int minutes);

  // The first field of an `update` value, as a number.
  static int SecondsOf(const QString& update);
};
