#pragma once

#include <cassert>
#include <utility>
#include <variant>

namespace util {

// The error side of an Expected, spelled out at the return site: `return Unexpected{error};`.
template <class E>
struct Unexpected {
    E error;
};
template <class E>
Unexpected(E) -> Unexpected<E>;

// A value or the reason there is none; a small stand-in for C++23 std::expected, which the
// 32-bit Windows toolchain does not offer yet. Reading the wrong side is a programming error.
template <class T, class E>
class [[nodiscard]] Expected {
public:
    Expected(T value)
        : state_(std::in_place_index<0>, std::move(value)) {
    }  // NOLINT(google-explicit-constructor)
    Expected(Unexpected<E> failure)
        : state_(std::in_place_index<1>, std::move(failure.error)) {
    }  // NOLINT(google-explicit-constructor)

    [[nodiscard]] bool has_value() const noexcept { return state_.index() == 0; }
    explicit operator bool() const noexcept { return has_value(); }

    [[nodiscard]] T& value() & {
        assert(has_value());
        return std::get<0>(state_);
    }
    [[nodiscard]] const T& value() const& {
        assert(has_value());
        return std::get<0>(state_);
    }
    [[nodiscard]] T&& value() && {
        assert(has_value());
        return std::get<0>(std::move(state_));
    }
    [[nodiscard]] const E& error() const& {
        assert(!has_value());
        return std::get<1>(state_);
    }

    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

private:
    std::variant<T, E> state_;
};

}  // namespace util
