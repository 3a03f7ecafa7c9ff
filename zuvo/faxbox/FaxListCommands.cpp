// The fax list's command table and its enabling rules.
#include "faxbox/FaxListCommands.h"

namespace {

using namespace FaxListCommand;

constexpr FaxListCommandEntry kFailedMenu[] = {
    {ResendFailed, "重新发送(&N)..."},
    {ResendAllFailed, "全部重发(&A)..."},
    {Delete, "删除传真(&D)..."},
    {DeleteAll, "删除所有(&A)..."},
};

constexpr FaxListCommandEntry kFaxMenu[] = {
    {Reply, "回复传真(&R)..."},
    {Forward, "转发传真(&T)..."},
    {Resend, "重新发送(&N)..."},
    {Delete, "删除传真(&D)..."},
    {DeleteAll, "删除所有(&A)..."},
};

} // namespace

std::span<const FaxListCommandEntry> FailedMenuCommands()
{
    return kFailedMenu;
}

std::span<const FaxListCommandEntry> FaxMenuCommands()
{
    return kFaxMenu;
}

const char* FaxListCommandText(int id)
{
    for (std::span<const FaxListCommandEntry> menu : {FaxMenuCommands(), FailedMenuCommands()})
        for (const FaxListCommandEntry& entry : menu)
            if (entry.id == id)
                return entry.text;
    return "";
}

bool IsFaxListCommandEnabled(int id, const FaxListState& state)
{
    const bool rowAndLogin = state.rowSelected && state.loggedIn;
    switch (id) {
    case Delete:
    case Move: return rowAndLogin;
    // They open the compose window, which must be there.
    case Reply:
    case Forward: return rowAndLogin && state.composeAvailable;
    case Resend: return state.composeAvailable;
    case DeleteAll:
    case ResendFailed:
    case ResendAllFailed: return true;
    default: return false;
    }
}
