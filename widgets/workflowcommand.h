#pragma once
// Holds off other workflow commands while one runs: long commands let window
// messages run, so a second toolbar click could otherwise reach an engine that
// is still in use.

class WorkflowCommand {
 public:
  explicit WorkflowCommand(bool& running) : running_(running), acquired_(!running) {
    if (acquired_) running_ = true;
  }
  ~WorkflowCommand() {
    if (acquired_) running_ = false;
  }
  WorkflowCommand(const WorkflowCommand&) = delete;
  WorkflowCommand& operator=(const WorkflowCommand&) = delete;

  // False when another command was already running; the caller then does nothing.
  bool Acquired() const { return acquired_; }

 private:
  bool& running_;
  bool acquired_;
};
