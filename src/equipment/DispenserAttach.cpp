#include "equipment/DispenserAttach.h"

#include "core/Station.h"
#include "equipment/DispenserFamily1.h"
#include "serial/Comm.h"

namespace tolvo {

std::shared_ptr<DispenserFamily1> AttachDispenser(Station& st)
{
    auto link = std::make_shared<DispenserFamily1>(st);
    DeviceRoutines& r = st.routines;
    r.TD_Receive = [link](Station&) { link->TD_Receive(); };
    r.TD_Poll = [link](Station&) { return link->TD_Poll(); };
    r.CTL_TimeSetUp = [link](Station&) { link->CTL_TimeSetUp(); };
    r.Vfd_TimeSet = [link](Station&) { link->Vfd_TimeSet(); };
    if (st.comm) {
        std::weak_ptr<DispenserFamily1> weak = link;
        st.comm->addRxReset([weak] {
            if (const auto l = weak.lock()) l->reset();
        });
    }
    return link;
}

} // namespace tolvo
