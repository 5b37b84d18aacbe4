#pragma once

#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

// The failure an Expected is made from, wrapped so that a failure of the
// same type as the value cannot pass for the value.
template <typename E> struct Unexpected { E error; };

template <typename E> Unexpected<std::decay_t<E>> MakeUnexpected(E&& error) {
    return Unexpected<std::decay_t<E>>{std::forward<E>(error)};
}

// Errors as values: a call's result, or the failure that kept it from being
// made. A caller has to look before it reads, so a failed call can never be
// mistaken for empty data. Reading the wrong side throws
// std::bad_variant_access rather than giving garbage.
template <typename T, typename E> class Expected {
public:
    Expected(T value) : state(std::in_place_index<0>, std::move(value)) {}
    Expected(Unexpected<E> failure) : state(std::in_place_index<1>, std::move(failure.error)) {}

    bool HasValue() const { return state.index() == 0; }
    explicit operator bool() const { return HasValue(); }

    T& Value() & { return std::get<0>(state); }
    const T& Value() const& { return std::get<0>(state); }
    T&& Value() && { return std::get<0>(std::move(state)); }
    T& operator*() & { return Value(); }
    const T& operator*() const& { return Value(); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }

    const E& Error() const { return std::get<1>(state); }

private:
    std::variant<T, E> state;
};

// A call that gives nothing back but may fail.
template <typename E> class Expected<void, E> {
public:
    Expected() = default;
    Expected(Unexpected<E> failure) : failure(std::move(failure.error)) {}

    bool HasValue() const { return !failure.has_value(); }
    explicit operator bool() const { return HasValue(); }

    const E& Error() const { return failure.value(); }

private:
    std::optional<E> failure;
};
