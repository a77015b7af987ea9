#pragma once

#include <QWidget>

namespace quillbox {

// Shown instead of the cards when nothing is listed: an empty history, or
// filters that leave nothing.
class EmptyStateView : public QWidget {
    Q_OBJECT
public:
    explicit EmptyStateView(QWidget* parent = nullptr);

    void setFiltering(bool isFiltering);
    bool isFiltering() const { return m_isFiltering; }
    QString title() const;
    QString subtitle() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_isFiltering = false;
};

} // namespace quillbox
