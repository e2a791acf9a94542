#pragma once
// How the end-to-end tests reach the package's forms: only as the host does, through the
// application's list of forms and the forms' named components.

#include <host/forms/Application.h>
#include <host/forms/Form.h>

#include <gtest/gtest.h>

namespace e2e {

// A component of the form by name and type; a test failure when there is none.
template <class T> T* componente(host::TForm* form, const char* nome) {
    auto* c = qobject_cast<T*>(form->FindComponent(QString::fromLatin1(nome)));
    EXPECT_NE(c, nullptr) << nome;
    return c;
}

// The open form of that name, or nullptr.
inline host::TForm* formulario(const char* nome) {
    for (const auto& form : host::Application->Forms())
        if (form && form->objectName() == QLatin1String(nome))
            return form;
    return nullptr;
}

} // namespace e2e
