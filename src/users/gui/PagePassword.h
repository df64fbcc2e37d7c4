#pragma once

#include "shell/PropertyViewPage.h"

// Placeholder while the page is being built: shows an empty page.
class CPagePassword final : public CPropertyViewPage
{
    Q_OBJECT

public:
    explicit CPagePassword(IFrameServices* frame, QWidget* parent = nullptr);
};
