#pragma once

#include "shell/PropertyViewPage.h"

// Placeholder while the page is being built: shows an empty page.
class CPageTemplate final : public CPropertyViewPage
{
    Q_OBJECT

public:
    explicit CPageTemplate(IFrameServices* frame, QWidget* parent = nullptr);
};
