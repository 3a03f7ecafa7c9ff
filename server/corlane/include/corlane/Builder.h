#pragma once

#include <vector>

#include "corlane/Feature.h"

namespace CRL {

class CtxContainer;

// The entry point of the engine: ties an event to its conversation's context
// and hands it to every feature in order.
class Builder {
public:
    Builder() = default;
    Builder(const Builder&) = default;
    Builder& operator=(const Builder&) = default;
    virtual ~Builder() = default;

    // Sets the event's CtxInfo to the container's context for the event's
    // invoke id (null when there is none), then runs every feature on it.
    // Without a container the event gets no context, and a log line says so.
    // A null event is logged and ignored.
    virtual void process(Event* event);

    // The container consulted by process; not owned.
    void setCtxContainer(CtxContainer* container) { container_ = container; }

protected:
    // Appends a non-null feature and logs "Insert <name> feature" (a null
    // one is logged and left out). The feature is not owned.
    void addFeature(Feature* feature);

private:
    std::vector<Feature*> features_;
    CtxContainer* container_ = nullptr;
};

} // namespace CRL
