// The Qt form under the behaviour cases shared with the Win32 form.
#include <QLineEdit>

#include "FormBehaviourCases.h"
#include "qt/QtForm.h"

namespace {

class QtFormTraits {
  public:
    QtFormTraits() {
        form_.AddLabel(1, "label", 0, 0, 40, 10);
        form_.AddEdit(2, 0, 0, 40, 10);
        form_.AddEdit(3, 0, 0, 40, 10, true);
        form_.AddAddress(4, 0, 0, 60, 12);
        form_.AddCombo(5, true, 0, 0, 60, 12);
        form_.AddCombo(6, false, 0, 0, 60, 12);
        form_.AddCombo(7, true, 0, 0, 60, 12, true);
        QButtonGroup* a = form_.NewRadioGroup();
        form_.AddRadio(10, "a1", a, 0, 0, 40, 10);
        form_.AddRadio(11, "a2", a, 0, 0, 40, 10);
        form_.AddRadio(20, "b1", form_.NewRadioGroup(), 0, 0, 40, 10);
        form_.AddCheck(30, "check", 0, 0, 40, 10);
        form_.AddButton(31, "button", 0, 0, 40, 14);
    }
    IForm& Form(FormRole) { return form_; }
    int Id(FormRole role) const {
        static const int kIds[] = {1, 2, 3, 4, 5, 6, 7, 10, 11, 20, 30, 31};
        return kIds[static_cast<int>(role)];
    }
    bool IsShown(FormRole role) { return !form_.Control(Id(role))->isHidden(); }
    bool IsMasked(FormRole role) {
        return form_.As<QLineEdit>(Id(role))->echoMode() == QLineEdit::Password;
    }

  private:
    QtForm form_;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, FormBehaviour, QtFormTraits);
