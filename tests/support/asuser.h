#pragma once

#include <QString>

#include <vector>

// Runs the rest of a scope as an unprivileged user, so tests run as root can see what a
// permission refusal looks like. Changes the whole process's effective user and group; the
// destructor gives root back. Does nothing when the process is not root or the user is unknown.
class AsUser
{
public:
    explicit AsUser(const char *user = "nobody");
    ~AsUser();
    AsUser(const AsUser &) = delete;
    AsUser &operator=(const AsUser &) = delete;

    // True when the process now runs as the unprivileged user.
    bool active() const { return m_active; }

    // Whether tests can drop to an unprivileged user here at all.
    static bool possible();

private:
    bool m_active = false;
    std::vector<unsigned> m_groups; // the groups to give back
};
