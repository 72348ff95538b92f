// The Qt form under the behaviour cases shared with the Win32 form.
#include <QLineEdit>

#include "FormBehaviourCases.h"
#include "TestFormLayout.h"
#include "qt/QtForm.h"

namespace {

class QtFormTraits {
  public:
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
    QtForm form_{kTestFormLayout};
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, FormBehaviour, QtFormTraits);
