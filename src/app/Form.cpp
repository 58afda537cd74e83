#include "app/Form.h"

#include "app/Forms.h"

#include <QCloseEvent>

Form::Form(Forms& owner, FormId id) : QWidget(nullptr), forms_(owner), id_(id) {
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void Form::closeEvent(QCloseEvent* event) {
    // The close box: leave through the owner so that Form_Unload runs and the program ends with
    // its last window.
    event->ignore();
    forms_.unload(id_);
}
