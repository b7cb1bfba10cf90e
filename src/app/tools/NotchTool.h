#pragma once
// The notch's row: always wanted, switched like any tool. Its bar is the application's (the tools
// reach it through the notch port); this row only hands it to the feature table.

#include "app/tools/Tool.h"

namespace tarnlet {

class NotchTool : public Tool {
public:
    explicit NotchTool(ToolContext& context) : Tool(context) {}
    Feature& feature() override;
};

}  // namespace tarnlet
