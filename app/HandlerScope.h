// THandlerScope: counts a handler of the main window as running for as long
// as it lives. Qt runs a slider's change handler inside the code that moves
// the slider, so a handler that starts while the count is above 0 is nested
// (TForm1::Dispatch).
#pragma once

namespace pictor {

class THandlerScope {
public:
    explicit THandlerScope(int& Depth) : FDepth(Depth) { ++FDepth; }
    ~THandlerScope() { --FDepth; }
    THandlerScope(const THandlerScope&) = delete;
    THandlerScope& operator=(const THandlerScope&) = delete;

private:
    int& FDepth;
};

} // namespace pictor
