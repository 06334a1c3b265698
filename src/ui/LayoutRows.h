#pragma once
// How a layout row is tied to its member of the window's controls struct: for the layout
// tables only. A row names its member once (CONTROL, ENTRY); its name, where the control is
// stored and its kind follow from it.
#include "ClickableLabel.h"
#include "ImageBox.h"
#include "Layout.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include <type_traits>

namespace quorrel::layout {

template <class T> struct Pointee;
template <class Owner, class T> struct Pointee<T * Owner::*> { using type = T; };

template <class Controls, auto member> bool Bind(void* controls, QObject* made) {
    using T = typename Pointee<decltype(member)>::type;
    T* typed = qobject_cast<T*>(made);
    static_cast<Controls*>(controls)->*member = typed;
    return typed != nullptr;
}

// The kind of control a member's type asks for.
template <auto member> consteval Kind KindOf() {
    using T = typename Pointee<decltype(member)>::type;
    if constexpr (std::is_same_v<T, QPushButton>)
        return Kind::Button;
    else if constexpr (std::is_base_of_v<QLabel, T>)
        return Kind::Label;
    else if constexpr (std::is_same_v<T, QLineEdit>)
        return Kind::TextBox;
    else if constexpr (std::is_same_v<T, QComboBox>)
        return Kind::Combo;
    else if constexpr (std::is_same_v<T, ImageBox>)
        return Kind::Image;
    else if constexpr (std::is_same_v<T, QTextEdit>)
        return Kind::RichText;
    else if constexpr (std::is_same_v<T, QTimer>)
        return Kind::Timer;
    else {
        static_assert(std::is_same_v<T, QWidget>, "no control kind for this member type");
        return Kind::FileList;
    }
}

// `Ctls` is the controls struct of the window being described.
#define CONTROL(member)                                                                            \
    .name = #member, .bind = &::quorrel::layout::Bind<Ctls, &Ctls::member>,                        \
    .kind = ::quorrel::layout::KindOf<&Ctls::member>()
#define ENTRY(member) .name = #member, .bind = &::quorrel::layout::Bind<Ctls, &Ctls::member>

} // namespace quorrel::layout
