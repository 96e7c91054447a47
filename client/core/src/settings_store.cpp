#include "settings_store.h"

#include <QSettings>

#include <memory>

#include "news_flash.h"
#include "row_entry.h"

namespace {

QString Key(const char* section, const QString& key) { return QLatin1String(section) + QLatin1Char('/') + key; }

std::unique_ptr<QSettings> Profile() {
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                     QLatin1String(CSettingsStore::kOrganisation),
                                     QLatin1String(CSettingsStore::kApplication));
}

}  // namespace

QString CSettingsStore::GetProfileString(const char* section, const QString& key, const QString& defaultValue) const {
  QVariant value = Profile()->value(Key(section, key));
  if (!value.isValid()) return defaultValue;
  // The INI format reads an unquoted value with commas (as a person or another
  // program may write "0,5,") as a list of texts: put it back together.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(','));
  return value.toString();
}

int CSettingsStore::GetProfileInt(const char* section, const QString& key, int defaultValue) const {
  QVariant value = Profile()->value(Key(section, key));
  if (!value.isValid()) return defaultValue;
  return client::AnsiToInt(GetProfileString(section, key));
}

void CSettingsStore::WriteProfileString(const char* section, const QString& key, const QString& value) {
  Profile()->setValue(Key(section, key), value);
}

void CSettingsStore::WriteProfileInt(const char* section, const QString& key, int value) {
  Profile()->setValue(Key(section, key), value);
}

QString CSettingsStore::ServerAddress() const { return GetProfileString(kSettings, QStringLiteral("tsip")); }
int CSettingsStore::AutoLogin() const { return GetProfileInt(kSettings, QStringLiteral("auto_login"), 1); }
QString CSettingsStore::LoginId() const { return GetProfileString(kSettings, QStringLiteral("login_id")); }
int CSettingsStore::TickerStart() const { return GetProfileInt(kSettings, QStringLiteral("ticker_start"), 0); }

void CSettingsStore::SaveLogin(const QString& id) {
  WriteProfileString(kSettings, QStringLiteral("login_id"), id);
  WriteProfileInt(kSettings, QStringLiteral("ticker_start"), 1);
}

int CSettingsStore::SecondsOf(const QString& update) {
  QString rest = update;
  return client::AnsiToInt(client::TakeField(rest));
}

void CSettingsStore::LoadNewsFlash(CNewsFlash& news) const {
  news.show = GetProfileInt(kNewsFlash, QStringLiteral("show"), 1);
  news.seconds = SecondsOf(GetProfileString(kNewsFlash, QStringLiteral("update"), QStringLiteral("0,5,")));
}

void CSettingsStore::SaveNewsFlash(const CNewsFlash& news) {
  WriteProfileInt(kNewsFlash, QStringLiteral("show"), news.show);
  WriteProfileString(kNewsFlash, QStringLiteral("update"), QStringLiteral("%1,%2").arg(news.seconds).arg(news.minutes));
}

QStringList CSettingsStore::ReadEntries(const char* section) const {
  QStringList out;
  for (int i = 1; i <= kRowsPerList; ++i) {
    QString entry = GetProfileString(section, QString::number(i));
    if (!entry.isEmpty()) out << entry;
  }
  return out;
}

QStringList CSettingsStore::ReadList(const char* section) const {
  return QStringList{GetProfileString(section, QStringLiteral("update"), QStringLiteral("0,5,"))} + ReadEntries(section);
}

int CSettingsStore::ReadNum(const char* section) const { return GetProfileInt(section, QStringLiteral("num"), 0); }

int CSettingsStore::ReadSeconds(const char* section) const {
  return SecondsOf(GetProfileString(section, QStringLiteral("update"), QStringLiteral("0,5,")));
}

void CSettingsStore::SaveList(const char* section, const QStringList& texts, int count, int seconds, int minutes) {
  WriteProfileString(section, QStringLiteral("update"), QStringLiteral("%1,%2,").arg(seconds).arg(minutes));
  for (qsizetype i = 0; i < texts.size() && i < kRowsPerList; ++i)
    WriteProfileString(section, QString::number(i + 1), texts[i]);
  WriteProfileInt(section, QStringLiteral("num"), count);
}
