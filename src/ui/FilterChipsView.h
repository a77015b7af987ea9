#pragma once

#include "content/ContentCategory.h"

#include <QWidget>
#include <vector>

namespace quillbox {

class AppState;
class CapsuleButton;

// "All" and one chip per kind of content, bound to the panel's category:
// a chip toggles its kind, "All" clears it.
class FilterChipsView : public QWidget {
    Q_OBJECT
public:
    explicit FilterChipsView(AppState& appState, QWidget* parent = nullptr);

private:
    void showSelection();

    AppState& m_appState;
    CapsuleButton* m_allChip;
    std::vector<std::pair<ContentCategory, CapsuleButton*>> m_chips;
};

} // namespace quillbox
