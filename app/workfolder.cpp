#include "app/workfolder.h"

#include "app/applog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

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

QString prepare(const QString &programDir, const QString &userDir, bool useProgramDir)
{
    if (useProgramDir && writable(programDir))
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

bool confineHome(uint uid, const QString &ownHome)
{
    // A folder that does not exist yet would be made by its nearest
    // existing parent's owner's rules: that parent decides.
    const auto ownedByUid = [uid](const QString &path) {
        QFileInfo at(QDir::cleanPath(QDir::root().absoluteFilePath(path)));
        while (!at.exists() && !at.isRoot())
            at = QFileInfo(at.path());
        return at.ownerId() == uid;
    };
    bool changed = false;
    const QString home = QString::fromLocal8Bit(qgetenv("HOME"));
    if (!home.isEmpty() && !ownedByUid(home)) {
        qputenv("HOME", ownHome.toLocal8Bit());
        changed = true;
    }
    for (const char *name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
        const QString folder = QString::fromLocal8Bit(qgetenv(name));
        if (!folder.isEmpty() && !ownedByUid(folder)) {
            qunsetenv(name);
            changed = true;
        }
    }
    return changed;
}

bool confineRoot()
{
#ifdef Q_OS_UNIX
    if (::geteuid() != 0)
        return false;
    const struct passwd *root = ::getpwuid(0);
    confineHome(0, root && root->pw_dir && *root->pw_dir ? QString::fromLocal8Bit(root->pw_dir)
                                                         : QStringLiteral("/root"));
    return true;
#else
    return false;
#endif
}

} // namespace WorkFolder
