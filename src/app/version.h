// The version shown in the caption, read from "curVer.txt" beside the program.
//
// VersionFilePath()        the directory of the executable + "/curVer.txt".
// ReadVersion(path)        the value of key Ver in section SoftAtt of that INI file; empty when the
//                          file, the section or the key is missing. The file is never written.
// CaptionWithVersion(c, v) c + " " + "版本:" + v.
#pragma once

#include <QString>

QString VersionFilePath();
QString ReadVersion(const QString& path);
QString CaptionWithVersion(const QString& caption, const QString& version);
