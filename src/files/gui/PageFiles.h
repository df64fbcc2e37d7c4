#pragma once

#include "shell/PropertyViewPage.h"

// Placeholder while the page is being built: shows an empty page.
class CPageFiles final : public CPropertyViewPage
{
    Q_OBJECT

public:
    explicit CPageFiles(IFrameServices* frame, QWidget* parent = nullptr);
};
