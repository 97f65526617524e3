// ZR4360: the ECN buy screen (transaction 4360).
#include "ecn_order.h"

namespace {
constexpr vxecn::EcnSide kSide = {u"ZR4360.dll", 4360,       9824,        u"ECN매수", u" 매수수량",
                                  u" 매수단가",  u"ECN매수", u" ECN매수", u"시황"};
}

VX_ECN_ORDER_SCREEN(CZR4360Dlg, kSide)
