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

// The language to use for `code` (a language setting or a system locale such
// as de_DE or C): `code` when `languages` lists it, otherwise one the tool
// ships, Chinese for a Chinese locale and English for any other. A language
// without definition files would leave the tool without parameters.
QString shippedLanguage(const QString &code, const QMap<QString, LangItemRecord> &languages);

} // namespace LangFile
