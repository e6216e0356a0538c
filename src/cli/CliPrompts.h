#pragma once
#include "core/BatchPrompts.h"

namespace trevasc::cli {

// The batch tool's answers: the dataset comes from --dataset N.
class CliPrompts : public BatchPrompts {
  public:
    CliPrompts(int dataset, bool datasetGiven)
        : BatchPrompts(dataset, datasetGiven, "--dataset N") {}
};

}  // namespace trevasc::cli
