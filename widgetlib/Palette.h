#pragma once

#include <QColor>
#include <QString>

// Every colour of the program's windows, named by what it paints. Code that
// paints or sets a palette takes Of(role); style sheets and rich text name a
// colour as "@Role" (the role's name below) and are filled in by Fill, so
// that each colour is written once, here.
class CPalette {
public:
    enum Role {
        Body,               // the main body of windows and the page's top bar
        Highlight,          // hovered rows, menus, tool tips
        Chrome,             // the main window's title bar and bottom strip
        PrimaryText,        // white
        SecondaryText,      // white at alpha 153
        MutedText,          // window title, the selection count
        DisabledText,       // a disabled menu entry
        DialogBody,         // a framed dialog's body
        DialogEdge,         // a framed dialog's outer line
        Raised,             // fields, buttons, a dialog's inner line
        PanelEdge,          // the outline of menus and tool tips
        Overlay,            // the blur overlay over a blocked window
        OverlayEdge,        // its outline
        BusyBody,           // the busy dialog
        DialogTitle,        // a dialog's title text
        DialogText,         // the text of the dialogs' content
        DimText,            // a publisher in the confirmation dialog
        FaintText,          // the result dialog's own label colour
        NotesText,          // the release notes of the update dialog
        NotesBody,          // their background
        Success,            // counts of what was removed
        Failure,            // what was not removed
        Link,               // links
        IconText,           // a picture button's text while disabled
        ButtonEdge,         // a push button's outline
        ButtonHover,        // a push button under the mouse
        ButtonPressed,      // a pressed push button
        ButtonDisabled,     // a disabled push button
        DisabledButtonText, // a disabled push button's text
        DefaultButton,      // the default push button
        DefaultEdge,        // its outline
        DefaultHover,       // it under the mouse
        DefaultPressed,     // it pressed
        MenuItemHover,      // a menu entry under the mouse
        TargetText,         // the prefix the title bar names
        RoleCount
    };

    static QColor Of(Role role);
    // As a style sheet names it: "rgb(r,g,b)", or "rgba(r,g,b,a)" when not opaque.
    static QString CssOf(Role role);
    // `sheet` with every "@Role" replaced by its colour.
    static QString Fill(QString sheet);
};
