#pragma once

// Marks the window as busy with a long procedure on the bus (a worker, the diagnosis) for as
// long as it lives: closing the window then asks whether to stop the procedure. The mark goes
// on every way out of the handler's scope, also by an exception or a worker thread that could
// not be started, so that the window can always be closed afterwards.
class LongProcedureScope {
public:
    explicit LongProcedureScope(bool& running) : flag(running) { flag = true; }
    ~LongProcedureScope() { flag = false; }
    LongProcedureScope(const LongProcedureScope&) = delete;
    LongProcedureScope& operator=(const LongProcedureScope&) = delete;

private:
    bool& flag;
};
