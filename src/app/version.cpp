// The version shown in the caption; see version.h.
#include "app/version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

QString VersionFilePath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("curVer.txt"));
}

QString ReadVersion(const QString& path) {
    if (!QFileInfo(path).isFile()) return {};
    QSettings ini(path, QSettings::IniFormat);
    const QVariant v = ini.value(QStringLiteral("SoftAtt/Ver"), QString());
    // The INI reader splits a value at commas; the whole text is the version.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(u',');
    return v.toString();
}

QString CaptionWithVersion(const QString& caption, const QString& version) {
    return caption + QStringLiteral(" ") + QStringLiteral("版本:") + version;
}
