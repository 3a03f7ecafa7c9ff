// The builder: finding an event's context and running the features.
#include "corlane/Builder.h"

#include "corlane/Context.h"
#include "jotter/Jotter.h"

namespace CRL {

void Builder::addFeature(Feature* feature)
{
    if (!feature) {
        cpLog_old_version(kLogEngine, "Insert NULL feature refused");
        return;
    }
    cpLog_old_version(kLogEngine, "Insert %s feature", feature->name());
    features_.push_back(feature);
}

void Builder::process(Event* event)
{
    if (!event) {
        cpLog_old_version(kLogEngine, "Builder::process:Event==NULL");
        return;
    }
    CtxInfo* context = nullptr;
    if (container_)
        context = container_->getCtxInfo(event->getInvokeId());
    else
        cpLog_old_version(kLogEngine, "Builder::process: no CtxContainer, the event has no CtxInfo");
    event->setCtxInfo(context);
    for (Feature* feature : features_)
        feature->process(event);
    cpLog_old_version(kLogEngine, "Done with Builder ");
}

} // namespace CRL
