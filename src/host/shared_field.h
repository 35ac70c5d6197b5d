// Access to DriverContext fields that the host's threads and the polling
// thread share without a lock. Every access is a single relaxed atomic load
// or store of the whole field, so the sharing is free of data races while the
// record keeps its plain layout.
#pragma once

#include <atomic>

template <typename T> inline T LoadShared(T& field) {
    return std::atomic_ref<T>(field).load(std::memory_order_relaxed);
}

template <typename T, typename V> inline void StoreShared(T& field, V value) {
    std::atomic_ref<T>(field).store(static_cast<T>(value), std::memory_order_relaxed);
}

// Replaces the field's value with `desired` only if it still holds `expected`.
template <typename T, typename V, typename W>
inline bool CompareAndSetShared(T& field, V expected, W desired) {
    T want = static_cast<T>(expected);
    return std::atomic_ref<T>(field).compare_exchange_strong(want, static_cast<T>(desired),
                                                             std::memory_order_relaxed);
}
