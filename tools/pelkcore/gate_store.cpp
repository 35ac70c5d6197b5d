#include "gate_store.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "pelkcore.h"

namespace pelkcore {
namespace {

constexpr uint32_t driverUnresolvedMark = 0xFFFF;
constexpr size_t maxAddressLength = sizeof(GateState::address) - 1;

struct Listener {
    int token;
    GateListener fn;
};
using ListenerList = std::vector<Listener>;

struct Store {
    std::mutex mutex;
    uint32_t nextId = 1;
    std::map<std::pair<uint8_t, std::string>, uint32_t> byAddress;
    std::map<uint32_t, GateState> gates;
    // Replaced whole on every change, so that a store can call the listeners
    // without holding the mutex.
    std::shared_ptr<const ListenerList> listeners = std::make_shared<ListenerList>();
    int nextToken = 1;
};

Store& TheStore() {
    static Store store;
    return store;
}

void Notify(const std::shared_ptr<const ListenerList>& listeners, const GateState& state) {
    for (const Listener& listener : *listeners) {
        listener.fn(state);
    }
}

// Applies `change` to the gate under the lock, then tells the listeners.
template <typename Change> uint16_t UpdateGate(uint32_t id, Change change) {
    Store& store = TheStore();
    GateState copy;
    std::shared_ptr<const ListenerList> listeners;
    {
        std::lock_guard lock(store.mutex);
        auto it = store.gates.find(id);
        if (it == store.gates.end()) {
            return StatusUnknownGate;
        }
        change(it->second);
        it->second.lastUpdate = Clock::now();
        copy = it->second;
        listeners = store.listeners;
    }
    Notify(listeners, copy);
    return StatusOk;
}

} // namespace

uint32_t BindGate(uint8_t instance, const std::string& address, uint32_t formatType) {
    if (address.empty() || address.size() > maxAddressLength) {
        return 0;
    }
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    auto key = std::make_pair(instance, address);
    auto found = store.byAddress.find(key);
    if (found != store.byAddress.end()) {
        store.gates[found->second].formatType = formatType;
        return found->second;
    }
    if (store.nextId == driverUnresolvedMark) {
        ++store.nextId;
    }
    uint32_t id = store.nextId++;
    GateState state;
    state.id = id;
    state.instance = instance;
    std::memcpy(state.address, address.data(), address.size());
    state.formatType = formatType;
    store.gates[id] = state;
    store.byAddress[key] = id;
    return id;
}

bool ReadGate(uint32_t id, GateState* state) {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    auto it = store.gates.find(id);
    if (it == store.gates.end() || state == nullptr) {
        return false;
    }
    *state = it->second;
    return true;
}

void ClearGates() {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    store.gates.clear();
    store.byAddress.clear();
}

int SubscribeGates(GateListener listener) {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    auto next = std::make_shared<ListenerList>(*store.listeners);
    int token = store.nextToken++;
    next->push_back({token, std::move(listener)});
    store.listeners = std::move(next);
    return token;
}

void UnsubscribeGates(int token) {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    auto next = std::make_shared<ListenerList>();
    for (const Listener& listener : *store.listeners) {
        if (listener.token != token) {
            next->push_back(listener);
        }
    }
    store.listeners = std::move(next);
}

uint16_t LookupGate(uint8_t instance, const char* address, uint32_t* id) {
    if (address == nullptr || id == nullptr) {
        return StatusBadArgument;
    }
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    auto it = store.byAddress.find({instance, std::string(address)});
    if (it == store.byAddress.end()) {
        return StatusNotBound;
    }
    *id = it->second;
    return StatusOk;
}

uint16_t GateFormat(uint32_t id, uint32_t* formatType) {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    auto it = store.gates.find(id);
    if (it == store.gates.end()) {
        return StatusUnknownGate;
    }
    *formatType = it->second.formatType;
    return StatusOk;
}

uint16_t StoreGateValue(uint32_t id, double value) {
    return UpdateGate(id, [value](GateState& gate) {
        gate.value = value;
        gate.failed = false;
        gate.everUpdated = true;
        ++gate.updates;
    });
}

uint16_t MarkGateFailed(uint32_t id) {
    return UpdateGate(id, [](GateState& gate) {
        gate.failed = true;
        ++gate.failures;
    });
}

uint16_t GateValue(uint32_t id, double* value) {
    if (value == nullptr) {
        return StatusBadArgument;
    }
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    auto it = store.gates.find(id);
    if (it == store.gates.end()) {
        return StatusUnknownGate;
    }
    *value = it->second.value;
    return StatusOk;
}

} // namespace pelkcore
