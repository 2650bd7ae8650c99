#include "util/UserIdentity.h"

#include <QCryptographicHash>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <sddl.h>

#include <vector>
#endif

namespace zkd {
namespace {

constexpr QStringView kPipePrefix{u"ZKD735_DataRecorder-"};
// Well inside the 256 characters of a pipe name, with the prefix and hash.
constexpr qsizetype kReadableLength = 100;
constexpr qsizetype kHashLength = 16;

bool pipeNameCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_'
        || c == u'.';
}

#ifdef Q_OS_WIN
QString tokenUserSid(HANDLE process)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token))
        return QString();
    QString sid;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> buffer(size);
    if (size > 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        const auto *user = reinterpret_cast<const TOKEN_USER *>(buffer.data());
        LPWSTR text = nullptr;
        if (::ConvertSidToStringSidW(user->User.Sid, &text)) {
            sid = QString::fromWCharArray(text);
            ::LocalFree(text);
        }
    }
    ::CloseHandle(token);
    return sid;
}
#endif

} // namespace

QString instancePipeName(const QString &userIdentity)
{
    if (userIdentity.isEmpty())
        return QString();
    QString readable = userIdentity.left(kReadableLength);
    for (QChar &c : readable) {
        if (!pipeNameCharacter(c))
            c = u'_';
    }
    QString name = kPipePrefix.toString() + readable;
    if (readable != userIdentity) {
        const QByteArray hash = QCryptographicHash::hash(userIdentity.toUtf8(), QCryptographicHash::Sha256);
        name += u'-' + QString::fromLatin1(hash.toHex().left(kHashLength));
    }
    return name;
}

#ifdef Q_OS_WIN
QString currentUserIdentity()
{
    const QString sid = tokenUserSid(::GetCurrentProcess());
    if (!sid.isEmpty())
        return sid;
    const QString user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty())
        return QString();
    return qEnvironmentVariable("USERDOMAIN") + u'\\' + user;
}

QString processUserIdentity(quint32 processId)
{
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return QString();
    const QString sid = tokenUserSid(process);
    ::CloseHandle(process);
    return sid;
}
#endif

} // namespace zkd
