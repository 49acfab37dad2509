// Whose display change a WM_DISPLAYCHANGE reports: the program's own or the user's.
#pragma once

#include <cstdint>

// Windows sends WM_DISPLAYCHANGE from inside the display-settings call that made the change. So a
// change that arrives while the main window is inside another message is a step of the program's
// own, and one that arrives while mirror sync lowers the system display is that lowering: neither
// is the user's, and neither is recorded as the user's choice. A menu or dialog that waits for the
// user lifts this until it closes: what changes meanwhile is the user's. The main window owns the
// one instance; the scopes below are the only way in.
class OwnDisplayChange {
 public:
  // One main-window message other than WM_DISPLAYCHANGE, from its start to its end.
  class Step {
   public:
    explicit Step(OwnDisplayChange& own) : own_(own) { ++own_.m_nHandlingDepth; }
    ~Step() { --own_.m_nHandlingDepth; }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

   private:
    OwnDisplayChange& own_;
  };

  // Mirror sync sets the system display to a lower mode: the change tells only that mode.
  class Lowering {
   public:
    explicit Lowering(OwnDisplayChange& own) : own_(own) { own_.m_bLoweringSystemMode = 1; }
    ~Lowering() { own_.m_bLoweringSystemMode = 0; }
    Lowering(const Lowering&) = delete;
    Lowering& operator=(const Lowering&) = delete;

   private:
    OwnDisplayChange& own_;
  };

  // A menu or dialog waits for the user inside a step.
  class UserWait {
   public:
    explicit UserWait(OwnDisplayChange& own) : own_(own), depth_(own.m_nHandlingDepth) {
      own_.m_nHandlingDepth = 0;
    }
    ~UserWait() { own_.m_nHandlingDepth = depth_; }
    UserWait(const UserWait&) = delete;
    UserWait& operator=(const UserWait&) = delete;

   private:
    OwnDisplayChange& own_;
    std::int32_t depth_;
  };

  // A message reaches the main window: outside a step it is a new one, from the message loop or
  // from the loop of a menu or dialog that waits for the user.
  void MessageArrives() {
    if (m_nHandlingDepth == 0) {
      ++m_nMessages;
    }
  }
  // Counts the new messages: the one being handled is the latest.
  std::uint32_t Messages() const { return m_nMessages; }
  // A display change now comes from a step of the program.
  bool StepUnderWay() const { return m_nHandlingDepth != 0; }
  // A display change now is mirror sync lowering the system display.
  bool LoweringSystemMode() const { return m_bLoweringSystemMode != 0; }

 private:
  std::int32_t m_nHandlingDepth = 0;
  std::int32_t m_bLoweringSystemMode = 0;
  std::uint32_t m_nMessages = 0;
};
