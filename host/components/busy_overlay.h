#pragma once
// The busy animation shown over the application's main window around a
// blocking call: a dimmed veil with a spinner and a text. It is painted
// before the call starts and takes every mouse, touch and key input of the
// application while it shows, so nothing typed or touched on the frozen
// screen is acted on later.
#include <QString>

#include <memory>

class QObject;
class QWidget;

namespace totem::host {

// What the application is busy with; it decides the text under the spinner.
// The screen uses Server (ordinal 6) around its remote calls.
enum class TShowAvi : int { Wait, Search, Save, Delete, Print, Copy, Server, Process };

QString ShowAviText(TShowAvi kind);

// Shows the overlay over mainForm (nullptr: the active window; with no
// window at all only the input is held) and paints it at once. Calls come in
// pairs and never nest: a second ActiveShowAvi while one shows is ignored
// with a warning in the log, and the first DeactiveShowAvi takes it down.
void ActiveShowAvi(QWidget* mainForm, TShowAvi kind);
// Takes the overlay down and gives the input back. Clicks and keys queued by
// the window system during the call are dropped first. Without an overlay
// it does nothing.
void DeactiveShowAvi();

// The animation for as long as this object lives: shown when it is made,
// taken down when the scope ends, whether the call inside returned or raised.
class BusyAnimation {
 public:
  BusyAnimation(QWidget* mainForm, TShowAvi kind) { ActiveShowAvi(mainForm, kind); }
  ~BusyAnimation() { DeactiveShowAvi(); }
  BusyAnimation(const BusyAnimation&) = delete;
  BusyAnimation& operator=(const BusyAnimation&) = delete;
};

// Holds the person's input as the animation does, showing nothing, for as
// long as it lives; the input of passing (and its children) still goes
// through: the way out of a long wait. Input held is dropped at the end.
class InputHold {
 public:
  explicit InputHold(QWidget* passing);
  ~InputHold();
  InputHold(const InputHold&) = delete;
  InputHold& operator=(const InputHold&) = delete;

 private:
  std::unique_ptr<QObject> blocker_;
};

bool ShowAviActive();
// The overlay widget while one shows (for tests and screenshots); nullptr
// otherwise.
QWidget* ShowAviOverlay();

}  // namespace totem::host
