#include "core/frame/StatusTexts.h"

#include "core/TextUtil.h"

int NextAnimationFrame(int frame)
{
    int last = kFirstAnimationFrame + kAnimationFrameCount - 1;
    if (frame < kFirstAnimationFrame || frame >= last) return kFirstAnimationFrame;
    return frame + 1;
}

std::string ConnectionStateText(int state)
{
    switch (state) {
    case StateOnline: return "联机";
    case StateRegistrationFailed: return "注册失败";
    default: return "脱机";
    }
}

bool IsChineseLanguage(std::string_view languageEntry)
{
    return EqualsNoCase(languageEntry, "CN");
}

StatusLabels LabelsFor(bool chinese)
{
    if (chinese) return {"状态:", "网络传真号:", "IP:", "传真状态:"};
    return {"State:", "NetFaxNo:", "IP:", "FaxState:"};
}

std::string StatePaneText(const StatusLabels& labels, int state)
{
    return labels.state + ConnectionStateText(state);
}

std::array<std::string, kStatusPaneCount> DefaultPaneTexts()
{
    return {"", "状态:脱机", "账号:", "IP:", "传真状态:"};
}

PaneCaptions PlaceholderCaptions()
{
    return {"传真夹", "传真列表", "传真内容", "附件"};
}
