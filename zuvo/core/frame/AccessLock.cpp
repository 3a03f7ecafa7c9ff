#include "core/frame/AccessLock.h"

#include "core/TextUtil.h"
#include "core/codec/Base64.h"
#include "core/stores/AccountConfig.h"

namespace AccessLock {

bool IsEnabled()
{
    return AccountConfig::GetEnableAccess() != 0;
}

bool PasswordMatches(const std::string& typed)
{
    const std::string stored = Base64Decode(AccountConfig::GetAccessPassword());
    if (stored == typed)
        return true;
    const std::optional<std::string> gbk = ToGbk(typed);
    return gbk && stored == *gbk;
}

} // namespace AccessLock
