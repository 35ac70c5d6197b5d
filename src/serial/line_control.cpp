#include "serial/line_control.h"

namespace {

enum DcbMember { DtrControl, RtsControl, OutxCtsFlow, OutxDsrFlow, DsrSensitivity };

struct LineControlRow {
    uint16_t mask;
    DcbMember member;
    DWORD value;
};

constexpr LineControlRow dtrGroup[] = {
    {0x0101, DtrControl, DTR_CONTROL_ENABLE},
    {0x8000, DtrControl, DTR_CONTROL_HANDSHAKE},
};
constexpr LineControlRow rtsGroup[] = {
    {0x0202, RtsControl, RTS_CONTROL_ENABLE},
    {0x1000, RtsControl, RTS_CONTROL_HANDSHAKE},
    {0x2000, RtsControl, RTS_CONTROL_TOGGLE},
};
constexpr LineControlRow flowGroup[] = {
    {0x0010, OutxCtsFlow, TRUE},
    {0x0020, OutxDsrFlow, TRUE},
    {0x4000, DsrSensitivity, TRUE},
};

void Set(DcbMember member, DWORD value, DCB* dcb) {
    switch (member) {
    case DtrControl:
        dcb->fDtrControl = value;
        break;
    case RtsControl:
        dcb->fRtsControl = value;
        break;
    case OutxCtsFlow:
        dcb->fOutxCtsFlow = value;
        break;
    case OutxDsrFlow:
        dcb->fOutxDsrFlow = value;
        break;
    case DsrSensitivity:
        dcb->fDsrSensitivity = value;
        break;
    }
}

template <int n> void ApplyGroup(const LineControlRow (&group)[n], uint16_t word, DCB* dcb) {
    for (const LineControlRow& row : group) {
        if ((row.mask & word) != 0) {
            Set(row.member, row.value, dcb);
            return;
        }
    }
}

} // namespace

void ApplyLineControl(uint16_t lineControl, DCB* dcb) {
    ApplyGroup(dtrGroup, lineControl, dcb);
    ApplyGroup(rtsGroup, lineControl, dcb);
    ApplyGroup(flowGroup, lineControl, dcb);
}
