// Loading sms.xml's template groups, and the SMS subject bar's layout.

#include "contacts/SmsTemplates.h"

#include "cfgtree/Config.h"
#include "core/stores/ProgramPaths.h"
#include "jotter/Jotter.h"

SmsTemplateTree LoadSmsTemplates(const std::string& directory)
{
    SmsTemplateTree tree;
    Config document;
    try {
        const std::string path = JoinPath(directory, "sms.xml");
        if (!document.open(path.c_str())) {
            cpLog(kLogFailure, "cannot load %s; the SMS window shows no templates", path.c_str());
            return tree;
        }
        const std::string backup = JoinPath(directory, "sms-bak.xml");
        if (!document.save(backup.c_str()))
            cpLog(kLogFailure, "cannot write the SMS template backup %s", backup.c_str());
        tree.groups = ReadBookTree(document);
        tree.loaded = true;
    } catch (const ConfigError& e) {
        cpLog(kLogFailure, "sms.xml: %s", e.what());
        tree = {};
    }
    return tree;
}

SmsSubjectBarLayout LayOutSmsSubjectBar(int width)
{
    SmsSubjectBarLayout layout;
    layout.field = {100, 10, width - 100, 30};
    layout.moreButton = {width - 100, 10, width - 70, 30};
    layout.note = {100, 30, width - 100, 50};
    return layout;
}
