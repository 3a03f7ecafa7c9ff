// The compose window's command table.
#include "compose/ComposeCommands.h"

const std::vector<ComposeCommandEntry>& ComposeCommands()
{
    static const std::vector<ComposeCommandEntry> commands = {
        {ComposeCommand::SendNow, true, "立即发送(&Z)\tAlt+S", true},
        {ComposeCommand::Express, true, "特快转递(&X)", true},
        {ComposeCommand::Save, true, "保存(&S)", true},
        {ComposeCommand::SaveDraft, true, "保存到草稿(&D)", true},
        {ComposeCommand::Close, true, "关闭(&C)", false},
        {ComposeCommand::AddAttachment, false, "添加附件(&A)...", false},
    };
    return commands;
}
