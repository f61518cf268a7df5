#include "asuser.h"

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

AsUser::AsUser(const char *user)
{
    if (::geteuid() != 0)
        return;
    const passwd *entry = ::getpwnam(user);
    if (!entry)
        return;
    // Group first: once the user is dropped, changing the group is no longer allowed.
    const gid_t none[] = {entry->pw_gid};
    if (::setgroups(1, none) != 0 || ::setegid(entry->pw_gid) != 0)
        return;
    if (::seteuid(entry->pw_uid) != 0) {
        ::setegid(0);
        return;
    }
    m_active = true;
}

AsUser::~AsUser()
{
    if (!m_active)
        return;
    ::seteuid(0);
    ::setegid(0);
    ::setgroups(0, nullptr);
}

bool AsUser::possible()
{
    return ::geteuid() == 0 && ::getpwnam("nobody") != nullptr;
}
