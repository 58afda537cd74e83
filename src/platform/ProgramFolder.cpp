#include "platform/ProgramFolder.h"

#include "platform/General.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace program_folder {

bool needsPrivateFolder(const QString& programFolder) {
    const QFileInfo info(programFolder);
    const QString folder =
        info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
    for (const char* system :
         {"/usr", "/opt", "/bin", "/sbin", "/lib", "/snap", "/app", "/nix/store", "/gnu/store"}) {
        const QString prefix = QString::fromLatin1(system);
        if (folder == prefix || folder.startsWith(prefix + u'/'))
            return true;
    }
    if (QFileInfo::exists(folder + QStringLiteral("/../share/applications/" LUMORA_APP_ID ".desktop")))
        return true;
    // access() also fails for root on a read-only file system or a folder that is gone.
    return ::access(QFile::encodeName(folder).constData(), W_OK) != 0;
}

QString tempFolderFor(const QString& programFolder) {
    if (!needsPrivateFolder(programFolder))
        return programFolder;
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (QDir().mkpath(user))
        QFile::setPermissions(user, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return user;
}

QString path() {
    return QCoreApplication::applicationDirPath();
}

QString tempIniPath() {
    return general::Full_Path(tempFolderFor(path()), QStringLiteral("temp.ini"));
}

QString tempLmrPath() {
    return general::Full_Path(tempFolderFor(path()), QStringLiteral("temp.lmr"));
}

} // namespace program_folder
