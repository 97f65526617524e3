// ZR4350: the ECN sell screen (transaction 4350).
#include "ecn_order.h"

namespace {
constexpr vxecn::EcnSide kSide = {u"ZR4350.dll", 4350,       9823,        u"ECN매도", u" 매도수량",
                                  u" 매도단가",  u"ECN매도", u" ECN매도", u"챠트"};
}

VX_ECN_ORDER_SCREEN(CZR4350Dlg, kSide)
