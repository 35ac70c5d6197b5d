// Link stub of the host runtime library. The driver module is linked against
// it so that its references to the host functions carry the PELKCORE symbol
// version; at run time the host supplies the real library with the same
// soname. None of these functions is ever meant to run.
#include <cstdlib>

#include "host/host_runtime.h"

extern "C" {
int err(int, const char*, ...) {
    std::abort();
}
uint16_t Pelk5GetGateIdByAddressStr(uint32_t, uint8_t, const char*, uint32_t*) {
    std::abort();
}
uint16_t Pelk5Cook(uint32_t, uint32_t, uint32_t, double*) {
    std::abort();
}
uint16_t Pelk5PutGateVal(uint32_t, uint32_t, uint32_t, double, uint32_t, uint32_t) {
    std::abort();
}
uint16_t Pelk5SetGateFlag(uint32_t, uint32_t, uint32_t, uint32_t) {
    std::abort();
}
uint16_t Pelk5GetGateVal(uint32_t, uint32_t, uint32_t, double*, uint32_t, uint32_t) {
    std::abort();
}
uint16_t Pelk5UnCook(uint32_t, uint32_t, double, RawValue*) {
    std::abort();
}
}
