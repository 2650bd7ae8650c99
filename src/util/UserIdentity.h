#pragma once

#include <QString>

namespace zkd {

// The name under which one user's copies of the program meet where that
// meeting place is a named pipe (Windows). Pipes share one namespace for the
// whole machine, so the name carries the user's identity: copies of two
// users never meet. A SID ("S-1-5-21-...") is kept as it is; any other
// identity (a "DOMAIN\user" name) has the characters a pipe name should not
// hold replaced and a hash of the whole identity appended, so that two
// identities never give one name. Empty when the identity is empty.
QString instancePipeName(const QString &userIdentity);

#ifdef Q_OS_WIN
// The SID of the user this process runs as, or, when the process token
// cannot be read, the domain and user name; empty when neither is known.
QString currentUserIdentity();
// The SID of the user that process `processId` runs as; empty when it cannot
// be told, as for a process of another account, which this user may not open.
QString processUserIdentity(quint32 processId);
#endif

} // namespace zkd
