#include "run/label_command.hpp"

#include "data/label_file.hpp"

namespace zeltric::run {

void labelCommand(Session& session, const std::optional<std::string>& chosenPath) {
    data::setDefaultLabels(session.opened);
    if (chosenPath) session.labelFileName = *chosenPath;
    if (session.labelFileName.empty()) {
        session.menu.labelChecked = false;
        return;
    }
    session.menu.labelChecked = false;  // until the file has been read
    data::readLabelFile(session.opened, session.labelFileName);
    session.menu.labelChecked = true;
}

}  // namespace zeltric::run
