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
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(count > 0 ? count : 0));
    if (count > 0 && ::getgroups(count, groups.data()) == count)
        m_groups.assign(groups.begin(), groups.end());
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
    const std::vector<gid_t> groups(m_groups.begin(), m_groups.end());
    ::setgroups(groups.size(), groups.data());
}

bool AsUser::possible()
{
    return ::geteuid() == 0 && ::getpwnam("nobody") != nullptr;
}
