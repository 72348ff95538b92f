#pragma once
// For the resource compiler only: how a row of a page's description (pages/PageLayout.h)
// becomes a control statement of its dialog template. Each kind keeps the styles its control
// needs; a flag a kind does not take is left undefined, so the template does not compile.
#define ZR40_RC_CONTROL(name, id, kind, x, y, w, h, caption, text, flag) \
    ZR40_RC_##kind(id, x, y, w, h, caption, flag)

#define ZR40_RC_Group(id, x, y, w, h, caption, flag) \
    GROUPBOX caption, id, x, y, w, h ZR40_RC_GROUP_##flag
#define ZR40_RC_GROUP_None
#define ZR40_RC_GROUP_StartsGroup , WS_GROUP

#define ZR40_RC_Label(id, x, y, w, h, caption, flag) \
    LTEXT caption, id, x, y, w, h ZR40_RC_LABEL_##flag
#define ZR40_RC_LABEL_None
#define ZR40_RC_LABEL_Hidden , NOT WS_VISIBLE

#define ZR40_RC_Edit(id, x, y, w, h, caption, flag) \
    EDITTEXT id, x, y, w, h, ES_AUTOHSCROLL ZR40_RC_NONE_##flag
#define ZR40_RC_Password(id, x, y, w, h, caption, flag) \
    EDITTEXT id, x, y, w, h, ES_PASSWORD | ES_AUTOHSCROLL ZR40_RC_NONE_##flag
#define ZR40_RC_Display(id, x, y, w, h, caption, flag)                              \
    EDITTEXT id, x, y, w, h,                                                        \
        ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_READONLY | WS_VSCROLL | \
            WS_HSCROLL ZR40_RC_NONE_##flag
#define ZR40_RC_Address(id, x, y, w, h, caption, flag) \
    CONTROL "", id, "SysIPAddress32", WS_TABSTOP, x, y, w, h ZR40_RC_NONE_##flag
#define ZR40_RC_NONE_None

#define ZR40_RC_Button(id, x, y, w, h, caption, flag) \
    PUSHBUTTON caption, id, x, y, w, h ZR40_RC_TABSTOP_##flag
#define ZR40_RC_DefaultButton(id, x, y, w, h, caption, flag) \
    DEFPUSHBUTTON caption, id, x, y, w, h ZR40_RC_TABSTOP_##flag
#define ZR40_RC_Check(id, x, y, w, h, caption, flag) \
    AUTOCHECKBOX caption, id, x, y, w, h, WS_TABSTOP ZR40_RC_NONE_##flag
#define ZR40_RC_Radio(id, x, y, w, h, caption, flag) \
    AUTORADIOBUTTON caption, id, x, y, w, h ZR40_RC_TABSTOP_##flag
#define ZR40_RC_TABSTOP_None
#define ZR40_RC_TABSTOP_StartsGroup , WS_GROUP | WS_TABSTOP

#define ZR40_RC_List(id, x, y, w, h, caption, flag) \
    COMBOBOX id, x, y, w, h, CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP ZR40_RC_NONE_##flag
#define ZR40_RC_SortedList(id, x, y, w, h, caption, flag) \
    COMBOBOX id, x, y, w, h, CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP ZR40_RC_NONE_##flag
#define ZR40_RC_DropList(id, x, y, w, h, caption, flag) \
    COMBOBOX id, x, y, w, h, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP ZR40_RC_NONE_##flag
