#include "ui/station_settings.h"

#include "platform/user_folders.h"

#include <QSettings>
#include <QString>
#include <QSysInfo>
#include <QUuid>

#include <filesystem>

namespace ui {

namespace {

const QString kDatabaseKey = QStringLiteral("shared/database");
const QString kStationKey = QStringLiteral("shared/station");
const QString kIdKey = QStringLiteral("shared/station_id");

std::optional<QString> settingsFile() {
    const auto folder = platform::configFolder();
    if (!folder) {
        return std::nullopt;
    }
    const std::filesystem::path file = *folder / "zeld.ini";
    return QString::fromStdU16String(file.u16string());
}

}  // namespace

StationSettings loadStationSettings() {
    StationSettings settings;
    if (const auto file = settingsFile()) {
        const QSettings kept(*file, QSettings::IniFormat);
        settings.database = kept.value(kDatabaseKey).toString().trimmed().toStdString();
        settings.station = kept.value(kStationKey).toString().trimmed().toStdString();
    }
    if (settings.station.empty()) {
        settings.station = QSysInfo::machineHostName().toStdString();
    }
    return settings;
}

std::string loadStationId() {
    const auto file = settingsFile();
    if (!file) {
        // Nowhere to keep it: an id for this run alone.
        return QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    }
    QSettings kept(*file, QSettings::IniFormat);
    QUuid id(kept.value(kIdKey).toString().trimmed());
    if (id.isNull()) {
        id = QUuid::createUuid();
        kept.setValue(kIdKey, id.toString(QUuid::WithoutBraces));
        kept.sync();
    }
    return id.toString(QUuid::WithoutBraces).toStdString();
}

std::optional<std::string> saveStationSettings(const StationSettings& settings) {
    const auto file = settingsFile();
    if (!file) {
        return std::string("不知道设置放在哪里：请设置 HOME");
    }
    QSettings kept(*file, QSettings::IniFormat);
    kept.setValue(kDatabaseKey, QString::fromStdString(settings.database));
    kept.setValue(kStationKey, QString::fromStdString(settings.station));
    kept.sync();
    if (kept.status() != QSettings::NoError) {
        return "设置没有保存：不能写入 " + file->toStdString();
    }
    return std::nullopt;
}

}  // namespace ui
