#pragma once

#include <QScopeGuard>

#include <utility>

namespace platform {

// Sets place to value until the returned guard ends, also by an exception.
template <typename T> [[nodiscard]] auto setFor(T& place, T value) {
    return qScopeGuard([&place, old = std::exchange(place, std::move(value))] { place = old; });
}

} // namespace platform
