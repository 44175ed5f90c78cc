// Method pointers: an event handler is a code address and the object it runs on, as the
// platform's method pointers are. Handlers have identity (two handlers are equal when code
// and object are), so a handler can be read from a property, stored, compared, restored
// and called later, and one handler can be chained in front of another.
#pragma once

#include <cstdint>
#include <memory>
#include <typeinfo>
#include <utility>

namespace vcl {

class TObject;

// A type-erased method pointer. `Code` is a function taking `Data` first and then the
// event's arguments; `Signature` names the event type so that a handler cannot be called
// with the wrong arguments. `Keep` holds the state of a handler made from a function object.
struct TMethod {
  using CodePtr = void (*)();
  CodePtr Code = nullptr;
  void* Data = nullptr;
  const std::type_info* Signature = nullptr;
  std::shared_ptr<void> Keep;

  bool IsAssigned() const { return Code != nullptr; }
  bool operator==(const TMethod& other) const { return Code == other.Code && Data == other.Data; }
};

template <typename... Args>
class TEvent {
 public:
  using Thunk = void (*)(void* data, Args... args);

  TEvent() = default;
  TEvent(std::nullptr_t) {}

  // A handler that runs `fn` (a lambda or other function object). Each call of Lambda makes
  // a handler with an identity of its own.
  template <typename Fn>
  static TEvent Lambda(Fn fn) {
    auto state = std::make_shared<Fn>(std::move(fn));
    TEvent e;
    e.m_.Code = reinterpret_cast<TMethod::CodePtr>(static_cast<Thunk>(
        [](void* data, Args... args) { (*static_cast<Fn*>(data))(std::forward<Args>(args)...); }));
    e.m_.Data = state.get();
    e.m_.Signature = &typeid(TEvent);
    e.m_.Keep = std::move(state);
    return e;
  }

  // The handler of a method pointer read from a property; an empty one when the method
  // is empty or of another event type.
  static TEvent FromMethod(const TMethod& m) {
    TEvent e;
    if (m.IsAssigned() && m.Signature && *m.Signature == typeid(TEvent)) e.m_ = m;
    return e;
  }
  static const std::type_info& SignatureType() { return typeid(TEvent); }

  const TMethod& Method() const { return m_; }
  explicit operator bool() const { return m_.IsAssigned(); }
  bool operator==(const TEvent& other) const { return m_ == other.m_; }

  // Calls the handler; an empty event does nothing.
  void operator()(Args... args) const {
    if (!m_.Code) return;
    // Keep a handler made from a function object alive while it runs, even if it replaces
    // itself.
    std::shared_ptr<void> keep = m_.Keep;
    reinterpret_cast<Thunk>(m_.Code)(m_.Data, std::forward<Args>(args)...);
  }

  // Used by MethodOf.
  static TEvent Make(Thunk code, void* data) {
    TEvent e;
    e.m_.Code = reinterpret_cast<TMethod::CodePtr>(code);
    e.m_.Data = data;
    e.m_.Signature = &typeid(TEvent);
    return e;
  }

 private:
  TMethod m_;
};

namespace detail {
template <auto F>
struct MethodTraits;
template <typename C, typename... Args, void (C::*F)(Args...)>
struct MethodTraits<F> {
  using Class = C;
  using Event = TEvent<Args...>;
  static void Call(void* data, Args... args) {
    (static_cast<C*>(data)->*F)(std::forward<Args>(args)...);
  }
};
}  // namespace detail

// A handler that calls member function F on `object`: MethodOf<&TfrmX::ed01Exit>(this).
// The same member function on the same object always gives an equal handler.
template <auto F>
typename detail::MethodTraits<F>::Event MethodOf(typename detail::MethodTraits<F>::Class* object) {
  using Traits = detail::MethodTraits<F>;
  return Traits::Event::Make(&Traits::Call, object);
}

// Shift state of keys and mouse events.
enum TShiftStateFlag : std::uint8_t {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64,
};
using TShiftState = std::uint8_t;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

using TNotifyEvent = TEvent<TObject*>;
using TKeyEvent = TEvent<TObject*, std::uint16_t&, TShiftState>;
using TKeyPressEvent = TEvent<TObject*, char&>;
using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;
using TCloseQueryEvent = TEvent<TObject*, bool&>;

}  // namespace vcl
