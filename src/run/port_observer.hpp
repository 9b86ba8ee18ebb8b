#pragma once

#include <string>

#include "randomisation/permutation_engine.hpp"
#include "run/user_interface.hpp"

namespace zeltric::run {

// The permutation test's observer on a port: progress bar, cancel button
// and notices go to the window or terminal the port stands for.
class PortObserver final : public randomisation::TestObserver {
public:
    explicit PortObserver(UserInterface& ui) : ui_(ui) {}
    void started(int randomisations) override { ui_.progressStart(randomisations); }
    void taken(int arrangement) override { ui_.progressStep(arrangement); }
    void finished() override { ui_.progressEnd(); }
    bool cancelRequested() override { return ui_.cancelRequested(); }
    void notice(const std::string& text) override { ui_.information(text); }

private:
    UserInterface& ui_;
};

}  // namespace zeltric::run
