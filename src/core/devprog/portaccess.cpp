#include "devprog/portaccess.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>
#endif

namespace rastrova::devprog {

PortOpenFailure classifyOpenFailure(bool permissionError, bool notFoundError, const QString& device)
{
    const QFileInfo info(device);
    if (notFoundError || !info.exists())
        return PortOpenFailure::NotFound;
    if (!permissionError)
        return PortOpenFailure::Other;
#ifdef Q_OS_UNIX
    // The port reports a refused open and a lock held by another program alike;
    // the file's own permissions tell them apart.
    const QByteArray path = QFile::encodeName(device);
    if (::access(path.constData(), R_OK | W_OK) != 0)
        return PortOpenFailure::NoPermission;
    return PortOpenFailure::Busy;
#else
    return PortOpenFailure::NoPermission;
#endif
}

PortAccess lookUpPortAccess(const QString& device)
{
    PortAccess access;
    access.device = device;
#ifdef Q_OS_UNIX
    std::vector<char> buffer(16384);
    struct stat st {};
    const QByteArray path = QFile::encodeName(device);
    const bool known = ::stat(path.constData(), &st) == 0;
    if (known) {
        access.groupIsRoot = st.st_gid == 0;
        struct group gr {};
        struct group* found = nullptr;
        if (getgrgid_r(st.st_gid, &gr, buffer.data(), buffer.size(), &found) == 0 && found)
            access.group = QString::fromLocal8Bit(found->gr_name);
    }

    struct passwd pw {};
    struct passwd* me = nullptr;
    std::vector<char> pwBuffer(16384);
    if (getpwuid_r(geteuid(), &pw, pwBuffer.data(), pwBuffer.size(), &me) == 0 && me) {
        access.user = QString::fromLocal8Bit(me->pw_name);
        if (known) {
            // In the group database, but not among this process's groups: the
            // membership comes with the next login.
            int count = 64;
            std::vector<gid_t> listed(static_cast<size_t>(count));
            if (getgrouplist(me->pw_name, me->pw_gid, listed.data(), &count) < 0) {
                listed.resize(size_t(count));
                getgrouplist(me->pw_name, me->pw_gid, listed.data(), &count);
            }
            listed.resize(size_t(count > 0 ? count : 0));
            bool inDatabase = false;
            for (gid_t g : listed)
                inDatabase = inDatabase || g == st.st_gid;

            const int n = getgroups(0, nullptr);
            std::vector<gid_t> active(static_cast<size_t>(n > 0 ? n : 0));
            if (n > 0)
                getgroups(n, active.data());
            bool inSession = getegid() == st.st_gid;
            for (gid_t g : active)
                inSession = inSession || g == st.st_gid;
            access.memberNotActive = inDatabase && !inSession;
        }
    }
#endif
    return access;
}

QString portOpenFailureReason(PortOpenFailure failure, const PortAccess& access)
{
    switch (failure) {
    case PortOpenFailure::NoPermission: {
        QString text = QStringLiteral(": нет прав на чтение и запись устройства %1.").arg(access.device);
        const QString user = access.user.isEmpty() ? QStringLiteral("ПОЛЬЗОВАТЕЛЬ") : access.user;
        if (access.group.isEmpty() || access.groupIsRoot) {
            text +=
                QStringLiteral(" Попросите администратора дать пользователю %1 доступ к этому устройству.")
                    .arg(user);
        } else if (access.memberNotActive) {
            text += QStringLiteral(" Пользователь %1 уже входит в группу «%2», владеющую устройством, но это "
                                   "действует только после нового входа: выйдите из системы и войдите снова.")
                        .arg(user, access.group);
        } else {
            text += QStringLiteral(
                        " Устройство принадлежит группе «%1»: добавьте в неё пользователя %2 командой\n"
                        "sudo usermod -aG %1 %2\n"
                        "и войдите в систему заново.")
                        .arg(access.group, user);
        }
        return text;
    }
    case PortOpenFailure::Busy:
        return QStringLiteral(": устройство %1 занято другой программой; закройте её и повторите.")
            .arg(access.device);
    case PortOpenFailure::None:
    case PortOpenFailure::NotFound:
    case PortOpenFailure::Other:
        break;
    }
    return {};
}

} // namespace rastrova::devprog
