#pragma once

// Saving a composed fax: into the default account's outbox to be sent, or
// into an account's drafts folder (tempbox). A record names only the page
// files that were copied beside it ("<File>.<CreateTime>" in the folder's
// directory): each file is copied first, then the record is added and
// account.xml saved, all under the account store's lock, so the send window,
// which files records meanwhile, never sees a record whose files are not
// there. Notices are shown after the lock is let go.

#include <ctime>
#include <string>
#include <string_view>

#include "compose/ComposePrompts.h"
#include "compose/ComposedFax.h"

namespace ComposeText {
inline constexpr const char* kCopyFailed = "拷贝文件失败";
inline constexpr const char* kSaveFailed = "保存失败";
} // namespace ComposeText

// The recipients as a record stores them: with the full-width "，", "－"
// and "；" replaced by ",", "-" and ";", each number trimmed, and empty
// numbers left out, so that no separator leads, trails or doubles.
std::string NormalizeRecipients(std::string_view text);

// The outbox save's checks, in order, each stopping it with its message:
// no attachment (61489), To and CC together over 1200 GBK bytes (61536),
// no To (61490); without a default account or outbox it stops silently.
// Then the record (Caller, ToCC, Topic, Name, Company, Date, CreateTime,
// ReadFlag 1, SendTimer, TimerFlag, Pages) with one AttachFile per copied
// file of the items that exist: HeadFlag 1 when the account's IsUse is not
// 0 and the item's flag is 0, or when the item's flag is 1. A copy that
// fails says "拷贝文件失败" and is left out; when no file could be taken the
// record is not written (61489). True when the record was saved.
bool SaveToOutbox(const ComposedFax& fax, std::time_t now, ComposePrompts& prompts);

// The drafts save into the tempbox of `accountPath`, else of the default
// account. With `checked`: no attachment (61554) and no To and no CC
// (61564) stop it; without (closing with Yes), nothing is checked. The
// record: Caller, ToCC, Topic, Name, Company, ReadFlag 1, Date, CreateTime,
// SendTimer, TimerFlag, Pages, and one AttachFile per copied file (HeadFlag
// 1 when the item's flag is not 0). True when saved.
bool SaveToDrafts(const ComposedFax& fax, const std::string& accountPath, bool checked, std::time_t now,
                  ComposePrompts& prompts);
