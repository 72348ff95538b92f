#include "qt/QtPage.h"

#include <QAbstractButton>
#include <QKeyEvent>

#include "pages/FormMisuse.h"
#include "qt/QtVirtualKeys.h"

QtPage::QtPage(const PageLayout& layout, QWidget* parent) : QtForm(layout, parent) {
    setObjectName(QString::number(layout.templateId));
}

void QtPage::Bind(const std::vector<PageBinding>& bindings) {
    for (const PageBinding& binding : bindings) {
        if (binding.event == PageEvent::kClicked) {
            if (CheckedControl(Layout(), binding.id, FormOperation::kClick, "a click") != nullptr) {
                connect(As<QAbstractButton>(binding.id), &QAbstractButton::clicked, this,
                        [handler = binding.clicked] { handler(); });
            }
        } else if (CheckedControl(Layout(), binding.id, FormOperation::kKeys, "a key filter") !=
                   nullptr) {
            QWidget* field = Control(binding.id);
            keyFilters_[field] = binding.keyDown;
            field->installEventFilter(this);
        }
    }
}

bool QtPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto it = keyFilters_.find(watched);
        if (it != keyFilters_.end()) {
            auto* key = static_cast<QKeyEvent*>(event);
            const int virtualKey =
                VirtualKeyFromQtKey(key->key(), (key->modifiers() & Qt::KeypadModifier) != 0);
            if (!it->second(virtualKey)) {
                return true;  // swallowed: the character never reaches the field
            }
        }
    }
    return QtForm::eventFilter(watched, event);
}
