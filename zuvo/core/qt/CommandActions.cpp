#include "core/qt/CommandActions.h"

#include <QAction>

CommandActions::CommandActions(QObject* receiver, Handler handler) : receiver_(receiver), handler_(std::move(handler))
{
}

QAction* CommandActions::Add(int id, QAction* action)
{
    if (handler_)
        QObject::connect(action, &QAction::triggered, receiver_, [handler = handler_, id] { handler(id); });
    actions_[id] = action;
    return action;
}

QAction* CommandActions::Find(int id) const
{
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}
