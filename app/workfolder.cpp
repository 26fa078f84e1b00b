#include "app/workfolder.h"

#include "app/applog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace WorkFolder {

namespace {

bool writable(const QString &dir)
{
    const QFileInfo info(dir);
    if (!info.isDir() || !info.isWritable())
        return false;
    // The permission bits can say yes on a read-only mount: try it.
    QFile probe(QDir(dir).filePath(QStringLiteral(".servo-write-test")));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}

} // namespace

QString prepare(const QString &programDir, const QString &userDir)
{
    if (writable(programDir))
        return programDir;
    return fillUserFolder(programDir, userDir) ? userDir : QString();
}

bool fillUserFolder(const QString &programDir, const QString &userDir)
{
    if (userDir.isEmpty() || !QDir().mkpath(userDir)) {
        qCWarning(lcWindow) << "cannot create the working folder" << userDir;
        return false;
    }
    const QDir program(programDir);
    const QDir user(userDir);
    const QFileInfoList entries = program.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        const QString target = entry.absoluteFilePath();
        const QString here = user.filePath(name);
        // The user's own settings: a copy to write to, made once.
        if (name == QLatin1String("config.ini")) {
            if (!QFileInfo::exists(here) && !QFile::copy(target, here))
                qCWarning(lcWindow) << "cannot copy" << target << "to" << here;
            QFile::setPermissions(here, QFile::permissions(here) | QFile::WriteOwner | QFile::ReadOwner);
            continue;
        }
        // Programs are run from where they are installed.
        if (entry.isFile() && entry.isExecutable())
            continue;
        const QFileInfo existing(here);
        if (existing.isSymLink()) {
            if (existing.symLinkTarget() == target)
                continue;
            QFile::remove(here);
        } else if (existing.exists()) {
            continue; // the user's own file or folder of that name
        }
        if (!QFile::link(target, here))
            qCWarning(lcWindow) << "cannot link" << here << "to" << target;
    }
    return true;
}

} // namespace WorkFolder
