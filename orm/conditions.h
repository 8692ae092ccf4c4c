// Condition objects the callers build on the stack and hand to the query builder by value.
#pragma once
#include <tuple>
#include <utility>

namespace DatabaseORM {
// member = value; V is int, std::string or const char*; M a pointer to a model member.
template <class V, class M> struct is_equal_t {
    M member;
    V value;
};
template <class L, class R> struct and_condition_t {
    L left;
    R right;
};
template <class C> struct where_t { C condition; };
template <class... M> struct columns_t { std::tuple<M...> members; };

template <class M, class V> is_equal_t<V, M> is_equal(M member, V value) {
    return {member, std::move(value)};
}
template <class L, class R> and_condition_t<L, R> and_condition(L left, R right) {
    return {std::move(left), std::move(right)};
}
template <class C> where_t<C> where(C condition) {
    return {std::move(condition)};
}
template <class... M> columns_t<M...> columns(M... members) {
    return {std::make_tuple(members...)};
}
} // namespace DatabaseORM
