// servo-cli as a production line runs it: a whole process per command over a
// pseudo-terminal to drive-sim. Prints the wall time of a backup of every
// parameter and of a restore (with read-back) onto a drive whose values
// differ, median and 90th percentile over several runs.

#include "benchutil.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

double runMs(const QStringList &arguments, int *status)
{
    QElapsedTimer clock;
    clock.start();
    QProcess cli;
    cli.start(QStringLiteral(SERVO_PROGRAM_DIR "/servo-cli"), arguments);
    cli.waitForFinished(60000);
    *status = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString backup = dir.filePath(QStringLiteral("a.conf"));
    const QString other = dir.filePath(QStringLiteral("other.conf"));
    QFile values(other);
    if (!values.open(QIODevice::WriteOnly))
        return 1;
    values.write("[Parameter]\nP00_02=1\nP01_02=300\nP02_00=4000\n");
    values.close();

    bench::SimProcess source, target;
    if (!source.start({QStringLiteral("--quiet")})
        || !target.start({QStringLiteral("--quiet"), QStringLiteral("--values"), other})) {
        bench::print(QStringLiteral("cannot start drive-sim"));
        return 1;
    }
    const int runs = 9;
    QVector<double> backups, restores;
    for (int i = 0; i < runs; ++i) {
        int status = 0;
        backups.append(runMs({QStringLiteral("backup"), QStringLiteral("--port"), source.path(), QStringLiteral("-o"), backup}, &status));
        if (status != 0) {
            bench::print(QStringLiteral("backup failed: exit %1").arg(status));
            return 1;
        }
        // Every run restores onto a drive that differs in three parameters.
        runMs({QStringLiteral("restore"), other, QStringLiteral("--port"), target.path(), QStringLiteral("--force")}, &status);
        restores.append(runMs({QStringLiteral("restore"), backup, QStringLiteral("--port"), target.path()}, &status));
        if (status != 0) {
            bench::print(QStringLiteral("restore failed: exit %1").arg(status));
            return 1;
        }
    }
    bench::print(QStringLiteral("servo-cli backup, every parameter, whole process: median %1 ms, p90 %2 ms (target 500 ms)")
                     .arg(bench::percentile(backups, 50), 0, 'f', 1)
                     .arg(bench::percentile(backups, 90), 0, 'f', 1));
    bench::print(QStringLiteral("servo-cli restore of three parameters with read-back, whole process: median %1 ms, p90 %2 ms")
                     .arg(bench::percentile(restores, 50), 0, 'f', 1)
                     .arg(bench::percentile(restores, 90), 0, 'f', 1));
    return 0;
}
