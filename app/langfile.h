#pragma once

// The list of interface languages ("ParameterFile/01-LanguageSelect.xml"):
// per language its code, its name and the language dialog's texts in it.

#include <QMap>
#include <QString>

struct LangItemRecord {
    QString LangType;     // code, e.g. zh_CN
    QString LangInfo;     // name shown in the list
    QString LangDlgTitle;
    QString LangGrpBox1;
    QString CurLang;
    QString Button1;
    QString LangGrpBox2;
    QString Button2;
};

namespace LangFile {

// Reads the list by code. A missing or malformed file gives what could be
// read before the fault (possibly nothing); `error` says why when given.
QMap<QString, LangItemRecord> read(const QString &path, QString *error = nullptr);

} // namespace LangFile
