#include "platform/ProgramFolder.h"

#include "platform/General.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace program_folder {

namespace {

QString tempFolder() {
    const QString own = QCoreApplication::applicationDirPath();
    if (QFileInfo(own).isWritable())
        return own;
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (QDir().mkpath(user))
        QFile::setPermissions(user, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return user;
}

} // namespace

QString path() {
    return QCoreApplication::applicationDirPath();
}

QString tempIniPath() {
    return general::Full_Path(tempFolder(), QStringLiteral("temp.ini"));
}

QString tempLmrPath() {
    return general::Full_Path(tempFolder(), QStringLiteral("temp.lmr"));
}

} // namespace program_folder
