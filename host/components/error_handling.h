#pragma once
// Default error handling where a click, key or form event enters our code.
// An exception that escapes a handler stops there: the silent abort is
// swallowed quietly, any other exception is shown to the user in the touch
// message box (through the dialog provider) and forgotten. No
// exception may travel through Qt's event loop, which is not built for it.
#include <QApplication>

#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

namespace totem::host {

// Runs an event handler. Returns true when it ran to the end, false when an
// exception stopped it (and was handled as above).
bool RunGuarded(const std::function<void()>& handler);

// Calls the handler with the signal's arguments when it takes them, else
// with none.
template <class F, class... A>
void CallWithWhatItTakes(const F& handler, A&&... args) {
  if constexpr (std::is_invocable_v<const F&, A...>)
    handler(std::forward<A>(args)...);
  else
    handler();
}

// Wraps a handler for QObject::connect so that it runs through RunGuarded:
//   connect(button, &QPushButton::clicked, Guarded([this] { ... }));
// The handler takes the signal's arguments, or none.
template <class F>
auto Guarded(F handler) {
  // Callable only with arguments the handler can take (or with any, for a
  // handler that takes none), so that Qt's count of the slot's arguments
  // sees the handler's own.
  return [handler = std::move(handler)](
             auto&&... args) -> void requires(std::is_invocable_v<const F&, decltype(args)...> ||
                                              std::is_invocable_v<const F&>) {
    RunGuarded([&] { CallWithWhatItTakes(handler, std::forward<decltype(args)>(args)...); });
  };
}

// The application's default handler: the exception's message in the touch
// message box as an error with an OK button. Never throws.
void ShowException(const std::exception& error);

// The last net: an exception that still reaches the event loop (a handler
// connected without Guarded) is handled like one from RunGuarded.
class TotemApplication : public QApplication {
 public:
  TotemApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace totem::host
