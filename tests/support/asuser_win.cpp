#include "asuser.h"

// Windows tests run as the user they are: no entry of theirs is refused to one user only, so
// there is never another user to become.

AsUser::AsUser(const char *)
{ }

AsUser::~AsUser() = default;

bool AsUser::possible()
{
    return false;
}
