#include "equipment/DispenserAttach.h"

#include "core/Station.h"
#include "equipment/DispenserFamily1.h"
#include "equipment/DispenserFamily2.h"
#include "serial/Comm.h"

namespace tolvo {

namespace {

template <typename Link> void resetOnPortsInit(Station& st, const std::shared_ptr<Link>& link)
{
    if (!st.comm) return;
    std::weak_ptr<Link> weak = link;
    st.comm->addRxReset([weak] {
        if (const auto l = weak.lock()) l->reset();
    });
}

} // namespace

DispenserLinks AttachDispenser(Station& st)
{
    DispenserLinks links{std::make_shared<DispenserFamily1>(st), std::make_shared<DispenserFamily2>(st)};
    DeviceRoutines& r = st.routines;
    const auto one = links.family1;
    const auto two = links.family2;
    r.TD_Receive = [one](Station&) { one->TD_Receive(); };
    r.TD_Receive4101 = [two](Station&) { two->TD_Receive4101(); };
    r.TD_Poll = [one](Station&) { return one->TD_Poll(); };
    r.CTL_TimeSetUp = [one](Station&) { one->CTL_TimeSetUp(); };
    r.Vfd_TimeSet = [one](Station&) { one->Vfd_TimeSet(); };
    resetOnPortsInit(st, one);
    resetOnPortsInit(st, two);
    return links;
}

} // namespace tolvo
