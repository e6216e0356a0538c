#include "core/BatchPrompts.h"

namespace trevasc {

std::optional<std::string> BatchPrompts::InputQuery(const std::string& caption,
                                                    const std::string& prompt,
                                                    const std::string& /*preset*/) {
    if (!datasetGiven_ && caption == "Several datasets found in file") {
        // The question names the number of datasets; say which one was taken.
        warnings_.push_back(prompt.substr(0, prompt.find('.') + 1) + " Reading dataset " +
                            std::to_string(dataset_) + " (choose another with " + datasetHint_ +
                            ").");
    }
    return std::to_string(dataset_);
}

}  // namespace trevasc
