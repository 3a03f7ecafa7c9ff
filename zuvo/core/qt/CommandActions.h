#pragma once
// A window's actions by command id: each command's QAction, wired so that
// triggering it hands the id to the window's command handler, and found
// again by id to enable, check or place it. The window makes the actions and
// puts them in its menus, toolbars and pop-ups; this keeps and wires them.

#include <functional>
#include <map>

class QAction;
class QObject;

class CommandActions {
public:
    using Handler = std::function<void(int id)>;

    // Actions that are only kept, not wired (a window that handles none).
    CommandActions() = default;
    // Triggered actions call `handler` with their id while `receiver` (the
    // window) lives.
    CommandActions(QObject* receiver, Handler handler);

    // Keeps `action` as the action of command `id` (in place of an earlier
    // one) and wires it to the handler; gives the action back.
    QAction* Add(int id, QAction* action);
    // The action of command `id`; nullptr when there is none.
    QAction* Find(int id) const;
    // Every kept action, by id.
    const std::map<int, QAction*>& All() const { return actions_; }

private:
    QObject* receiver_ = nullptr;
    Handler handler_;
    std::map<int, QAction*> actions_; // owned by the window's Qt objects
};
