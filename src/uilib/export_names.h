// Names of the skin-UI library's exports, in the fixed order of the binding table. The order is
// part of the contract with the program's code: entries are addressed by their position, so a
// name is only ever appended to its family, never moved.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace storvane::uilib {

inline constexpr std::size_t kUiExportCount = 750;

struct UiExportFamily {
  std::string_view title;
  std::size_t first;
  std::size_t count;
};

inline constexpr std::array<UiExportFamily, 49> kUiExportFamilies{{
    {"Internal call", 0, 1},
    {"Library-side byte buffers", 1, 5},
    {"Control commands", 6, 90},
    {"List and element commands", 96, 47},
    {"Element event procedures", 143, 33},
    {"Skin, font and cursor resources", 176, 20},
    {"Skin, font and cursor descriptors", 196, 12},
    {"Images", 208, 6},
    {"Dialog boxes", 214, 7},
    {"Tips, slow-motion tasks, animation, timers, themes and packing", 221, 16},
    {"Unit type MenuEx", 237, 32},
    {"Unit type DownlistEx", 269, 21},
    {"Unit type WindowEx", 290, 21},
    {"Unit type LabelEx", 311, 3},
    {"Unit type FilterEx", 314, 3},
    {"Unit type ButtonEx", 317, 3},
    {"Unit type ImagebuttonEx", 320, 3},
    {"Unit type SuperbuttonEx", 323, 3},
    {"Unit type ChoiceboxEx", 326, 3},
    {"Unit type RadiobuttonEx", 329, 3},
    {"Unit type EditboxEx", 332, 10},
    {"Unit type ComboboxEx", 342, 27},
    {"Unit type MinutesboxEx", 369, 5},
    {"Unit type MultifunctionButtonEx", 374, 3},
    {"Unit type PictureBoxEx", 377, 3},
    {"Unit type ProgressbarEx", 380, 3},
    {"Unit type ScrollbarEx", 383, 3},
    {"Unit type SliderbarEx", 386, 3},
    {"Unit type SelectthefolderEx", 389, 19},
    {"Unit type ToolbarEx", 408, 25},
    {"Unit type ListboxEx", 433, 17},
    {"Unit type SuperListboxEx", 450, 22},
    {"Unit type IcoListboxEx", 472, 15},
    {"Unit type TreeListEx", 487, 30},
    {"Unit type WebBrowserEx", 517, 24},
    {"Unit type CalendarBoxEx", 541, 3},
    {"Unit type ColorPickEx", 544, 3},
    {"Unit type RichEditEx", 547, 15},
    {"Unit type ExtendEx", 562, 6},
    {"Unit type AnimationbuttonEx", 568, 3},
    {"Unit type AdvancedFormEx", 571, 33},
    {"Unit type SlideButtonEx", 604, 3},
    {"Unit type PieChartEx", 607, 9},
    {"Unit type BarChartEx", 616, 9},
    {"Unit type CurveChartEx", 625, 9},
    {"Unit type CandleChartEx", 634, 5},
    {"Unit type DrawPanelEx", 639, 17},
    {"Unit type WindowBoxEx", 656, 46},
    {"Unit type StructEx", 702, 48},
}};

// The names stand a family a line or so, as the table is read; the formatter would put one a line.
// clang-format off
inline constexpr std::array<std::string_view, kUiExportCount> kUiExportNames{{
    // Internal call
    "CallInternalFunction_Ex",
    // Library-side byte buffers
    "CreateBinEx", "DeleteBinEx", "GetBinExDataPointer", "GetBinExDatalength", "GetBInExCache",
    // Control commands
    "ControlCreate", "ControlDestroy", "ControlIsCreate", "ControlSendMessage",
    "ControlSendChildMessage", "ControlUpdateCache", "ControlGetWindowTop", "ControlGetWindowLeft",
    "ControlSetLeft", "ControlGetLeft", "ControlSetTop", "ControlGetTop", "ControlSetWidth",
    "ControlGetWidth", "ControlSetHeight", "ControlGetHeight", "ControlGetRect", "ControlSetRect",
    "ControlGetTrueVisual", "ControlGetVisual", "ControlSetVisual", "ControlGetTrueDisabled",
    "ControlGetDisabled", "ControlSetDisabled", "ControlSetCursor", "ControlGetCursor",
    "ControlSetCursorId", "ControlGetCursorId", "ControlGetPenetrate", "ControlSetPenetrate",
    "ControlGetTransparency", "ControlSetTransparency", "ControlSetFocusWeight",
    "ControlGetFocusWeight", "ControlSetFocusControl", "ControlGetFocusControl",
    "ControlGetMaxFocusWeightControl", "ControlGetNextFocusControl", "ControlGetCaptureControl",
    "ControlSetCaptureControl", "ControlGetHotControl", "ControlGetLeftPressControl",
    "ControlGetRightPressControl", "ControlSetcontrolType", "ControlGetcontrolType",
    "ControlSetsign", "ControlGetsign", "ControlSetCallback", "ControlGetCallback",
    "ControPonintSizeSynchronise", "ControlGetWindow", "ControlGetBindWin", "ControlGetBindControl",
    "ControlGetDc", "ControlGetGraphics", "ControlGetHBITMAP", "ControlAddRedrawRect",
    "ControlRedraw", "ControlLockUpdate", "ControlUnlockUpdate", "ControlGetLockUpdateCount",
    "ControlGetParentControl", "ControlSetParentControl", "ControlHaveChild",
    "ControlGetChildCount", "ControlEnumerateChild", "ControlGetLastcontrol",
    "ControlGetNextcontrol", "ControlGetNestingLevel", "ControlGetlevelcontrol", "ControlSetlevel",
    "ControlGetlevel", "ControlSetWinLayered", "ControlGetWinLayered", "ControlGetWinGraphics",
    "ControlGetWinHBITMAP", "ControlGetWinDc", "ControlSetWinRefreshCallBack",
    "ControlGetWinRefreshCallBack", "ControlRefreshWin", "ControlLockWinUpdate",
    "ControlUnlockWinUpdate", "ControlGetWinLockUpdateCount", "ControlGetPage", "ControlSetPage",
    "ControlGetCurrentPage", "ControlSetCurrentPage", "ControlSetLayoutConfig",
    "ControlGetLayoutConfig", "ControlSubmitTask",
    // List and element commands
    "ControlRunElemCmd", "ControlSetUnderlyElemCount", "ControlGetUnderlyElemCount",
    "ControlInsertElem", "ControlDeleteElem", "ControlGetElemCount", "ControlResetElem",
    "ControlSetElemAttribute_Imsge", "ControlGetElemAttribute_Imsge", "ControlSetElemData_Imsge",
    "ControlGetElemData_Imsge", "ControlSetElemAttribute_Text", "ControlGetElemAttribute_Text",
    "ControlSetElemData_Text", "ControlGetElemData_Text", "ControlSetElemAttribute_Button",
    "ControlGetElemAttribute_Button", "ControlSetElemData_Button", "ControlGetElemData_Button",
    "ControlSetElemAttribute_Select", "ControlGetElemAttribute_Select", "ControlSetElemData_Select",
    "ControlGetElemData_Select", "ControlSetElemAttribute_EditText",
    "ControlGetElemAttribute_EditText", "ControlSetElemData_EditText",
    "ControlGetElemData_EditText", "ControlSetElemAttribute_ComboButton",
    "ControlGetElemAttribute_ComboButton", "ControlSetElemData_ComboButton",
    "ControlGetElemData_ComboButton", "ControlSetElemAttribute_Progressbar",
    "ControlGetElemAttribute_Progressbar", "ControlSetElemData_Progressbar",
    "ControlGetElemData_Progressbar", "ControlSetElemAttribute_Sliderbar",
    "ControlGetElemAttribute_Sliderbar", "ControlSetElemData_Sliderbar",
    "ControlGetElemData_Sliderbar", "ControlSetElemAttribute_Colour",
    "ControlGetElemAttribute_Colour", "ControlSetElemData_Colour", "ControlGetElemData_Colour",
    "ControlSetElemAttribute_Line", "ControlGetElemAttribute_Line", "ControlSetElemData_Line",
    "ControlGetElemData_Line",
    // Element event procedures
    "ElemOnInsertColumn_SL", "ElemOnDeleteColumn_SL", "ElemOnInsertItem_SL", "ElemOnDeleteItem_SL",
    "ElemOnInsertItem_L", "ElemOnDeleteItem_L", "ElemOnHitPro_SL", "ElemOnHitPro_L",
    "ElemOnHitPro_A", "ElemOnDrawPro_SL", "ElemOnDrawPro_L", "ElemOnDrawPro_A", "ElemOnHotPro_SL",
    "ElemOnHotPro_L", "ElemOnHotPro_A", "ElemOnLDown_SL", "ElemOnLDownPro_L", "ElemOnLDownPro_A",
    "ElemOnLUp_SL", "ElemOnLUp_L", "ElemOnLUp_A", "ElemOnRDown_SL", "ElemOnRDown_L",
    "ElemOnRDown_A", "ElemOnRUp_SL", "ElemOnRUp_L", "ElemOnRUp_A", "ElemOnLDC_SL", "ElemOnLDC_L",
    "ElemOnLDC_A", "ElemOnRDC_SL", "ElemOnRDC_L", "ElemOnRDC_A",
    // Skin, font and cursor resources
    "RexCreateSkin", "RexDisposeSkin", "RexLoadSkin", "RexClearSkin", "RexDrawSkin",
    "RexGetSkinFrameCount", "RexGetSkinFrameInfo", "RexGetSkinAdditionalInfoCount",
    "RexGetSkinAdditionalInfo", "RexLoadCursor", "RexDisposeCursor", "RexGetCursorHandle",
    "RexGetCursorCount", "RexLoadFont", "RexDisposeFont", "RexGetFontAttribute", "RexDrawString",
    "RexMeasureStringRectf", "RexMeasureStringRangesRectf", "RexMeasureStringEx",
    // Skin, font and cursor descriptors
    "RexcCreateSkinInfo", "RexcDisposeSkinInfo", "RexcUnSkinToSkinInfo", "RexcPackSkinInfo",
    "RexcCreateFontInfo", "RexcDisposeFontInfo", "RexcUnFontToFontInfo", "RexcPackFontInfo",
    "RexcCreateCursorInfo", "RexcPackCursorInfo", "RexcDisposeCursorInfo", "RexcUnFontToCursorInfo",
    // Images
    "LoadImageEx", "DestroyImageEx", "GetImageAttributeEx", "GetImageData", "DrawImageRectIEx",
    "DrawImageRectRectIEx",
    // Dialog boxes
    "MsgBox_Ex", "InputBox_Ex", "PopUpTimePick_Ex", "PopUpColorPick_Ex", "TimePickBox_Ex",
    "ColorPickExBox_Ex", "FileSelectionbox_Ex",
    // Tips, slow-motion tasks, animation, timers, themes and packing
    "PopUpTipBoxEx", "CloseTipBoxEx", "PopUpLiteInputEx", "CreateSlowMotionTaskEx",
    "SetSlowMotionTaskConfigEx", "SetSlowMotionTaskProgresEx", "DestroySlowMotionTaskEx",
    "PlayWindowAnimationEx", "LoadControlEx", "packControlEx", "CreateTimerEx", "DeleteTimerEx",
    "SetConfigTimerEx", "GetConfigTimerEx", "ExceptionCaptureEx", "LoadThemeEx",
    // Unit type MenuEx
    "Create_MenuEx", "SetAttribute_MenuEx", "GetAttribute_MenuEx", "Destroy_MenuEx",
    "IsPopUp_MenuEx", "PopUp_MenuEx", "Close_MenuEx", "InsertItem_MenuEx", "DeleteItem_MenuEx",
    "GetItemCount_MenuEx", "SetItemIco_MenuEx", "GetItemIco_MenuEx", "SetItemTitle_MenuEx",
    "GetItemTitle_MenuEx", "GetItemData_MenuEx", "SetItemData_MenuEx", "GetItemFontColor_MenuEx",
    "SetItemFontColor_MenuEx", "GetItemDisabledFontColor_MenuEx", "SetItemDisabledFontColor_MenuEx",
    "SetItemInfo_MenuEx", "GetItemInfo_MenuEx", "SetItemType_MenuEx", "GetItemType_MenuEx",
    "GetItemDisabled_MenuEx", "SetItemDisabled_MenuEx", "SetItemWidth_MenuEx",
    "GetItemWidth_MenuEx", "SetItemHeight_MenuEx", "GetItemHeight_MenuEx", "GetSubItemCount_MenuEx",
    "GetSubItem_MenuEx",
    // Unit type DownlistEx
    "Create_DownlistEx", "Destroy_DownlistEx", "SetAttribute_DownlistEx", "GetAttribute_DownlistEx",
    "PopUp_DownlistEx", "Close_DownlistEx", "IsPopUp_DownlistEx", "InsertItem_DownlistEx",
    "DeleteItem_DownlistEx", "GetItemCount_DownlistEx", "SetItemData_DownlistEx",
    "GetItemData_DownlistEx", "SetItemIco_DownlistEx", "GetItemIco_DownlistEx",
    "SetItemTitle_DownlistEx", "GetItemTitle_DownlistEx", "SetItemFontColor_DownlistEx",
    "GetItemFontColor_DownlistEx", "SetItemSize_DownlistEx", "GetItemSize_DownlistEx",
    "GuaranteeVisible_DownlistEx",
    // Unit type WindowEx
    "CreateControl_WindowEx", "SetAttribute_WindowEx", "GetAttribute_WindowEx",
    "InsertButton_WindowEx", "DeleteButton_WindowEx", "SetButtonType_WindowEx",
    "GetButtonType_WindowEx", "SetButtonskin_WindowEx", "GetButtonskin_WindowEx",
    "SetButtonVisual_WindowEx", "GetButtonVisual_WindowEx", "SetButtonDisabled_WindowEx",
    "GetButtonDisabled_WindowEx", "SetButtonSelected_WindowEx", "GetButtonSelected_WindowEx",
    "GetButtonCount_WindowEx", "GetButtonData_WindowEx", "SetButtonData_WindowEx",
    "InsertControl_WindowEx", "RemoveControl_WindowEx", "CallFeedBackEvent_WindowEx",
    // Unit type LabelEx
    "CreateControl_LabelEx", "SetAttribute_LabelEx", "GetAttribute_LabelEx",
    // Unit type FilterEx
    "CreateControl_FilterEx", "SetAttribute_FilterEx", "GetAttribute_FilterEx",
    // Unit type ButtonEx
    "CreateControl_ButtonEx", "SetAttribute_ButtonEx", "GetAttribute_ButtonEx",
    // Unit type ImagebuttonEx
    "CreateControl_ImagebuttonEx", "SetAttribute_ImagebuttonEx", "GetAttribute_ImagebuttonEx",
    // Unit type SuperbuttonEx
    "CreateControl_SuperbuttonEx", "SetAttribute_SuperbuttonEx", "GetAttribute_SuperbuttonEx",
    // Unit type ChoiceboxEx
    "CreateControl_ChoiceboxEx", "SetAttribute_ChoiceboxEx", "GetAttribute_ChoiceboxEx",
    // Unit type RadiobuttonEx
    "CreateControl_RadiobuttonEx", "SetAttribute_RadiobuttonEx", "GetAttribute_RadiobuttonEx",
    // Unit type EditboxEx
    "CreateControl_EditboxEx", "SetAttribute_EditboxEx", "GetAttribute_EditboxEx",
    "InsertText_EditboxEx", "DeleteText_EditboxEx", "SetInsertCursor_EditboxEx",
    "GetInsertCursor_EditboxEx", "SetSelectLeng_EditboxEx", "GetSelectLeng_EditboxEx",
    "GuaranteeVisibleText_EditboxEx",
    // Unit type ComboboxEx
    "CreateControl_ComboboxEx", "SetAttribute_ComboboxEx", "GetAttribute_ComboboxEx",
    "InsertText_ComboboxEx", "DeleteText_ComboboxEx", "SetInsertCursor_ComboboxEx",
    "GetInsertCursor_ComboboxEx", "SetSelectLeng_ComboboxEx", "GetSelectLeng_ComboboxEx",
    "GuaranteeVisibleText_ComboboxEx", "PopUp_DownlistEx_ComboboxEx", "Close_DownlistEx_ComboboxEx",
    "IsPopUp_DownlistEx_ComboboxEx", "InsertItem_DownlistEx_ComboboxEx",
    "DeleteItem_DownlistEx_ComboboxEx", "GetItemCount_DownlistEx_ComboboxEx",
    "SetItemData_DownlistEx_ComboboxEx", "GetItemData_DownlistEx_ComboboxEx",
    "SetItemIco_DownlistEx_ComboboxEx", "GetItemIco_DownlistEx_ComboboxEx",
    "SetItemTitle_DownlistEx_ComboboxEx", "GetItemTitle_DownlistEx_ComboboxEx",
    "SetItemFontColor_DownlistEx_ComboboxEx", "GetItemFontColor_DownlistEx_ComboboxEx",
    "SetItemSize_DownlistEx_ComboboxEx", "GetItemSize_DownlistEx_ComboboxEx",
    "GuaranteeVisible_DownlistEx_ComboboxEx",
    // Unit type MinutesboxEx
    "CreateControl_MinutesboxEx", "SetAttribute_MinutesboxEx", "GetAttribute_MinutesboxEx",
    "InsertControl_MinutesboxEx", "RemoveControl_MinutesboxEx",
    // Unit type MultifunctionButtonEx
    "CreateControl_MultifunctionButtonEx", "SetAttribute_MultifunctionButtonEx",
    "GetAttribute_MultifunctionButtonEx",
    // Unit type PictureBoxEx
    "CreateControl_PictureBoxEx", "SetAttribute_PictureBoxEx", "GetAttribute_PictureBoxEx",
    // Unit type ProgressbarEx
    "CreateControl_ProgressbarEx", "SetAttribute_ProgressbarEx", "GetAttribute_ProgressbarEx",
    // Unit type ScrollbarEx
    "CreateControl_ScrollbarEx", "SetAttribute_ScrollbarEx", "GetAttribute_ScrollbarEx",
    // Unit type SliderbarEx
    "CreateControl_SliderbarEx", "SetAttribute_SliderbarEx", "GetAttribute_SliderbarEx",
    // Unit type SelectthefolderEx
    "CreateControl_SelectthefolderEx", "SetAttribute_SelectthefolderEx",
    "GetAttribute_SelectthefolderEx", "InsertTab_SelectthefolderEx", "DeleteTab_SelectthefolderEx",
    "GetTabCount_SelectthefolderEx", "GetTabData_SelectthefolderEx", "SetTabData_SelectthefolderEx",
    "SetTabIco_SelectthefolderEx", "GetTabIco_SelectthefolderEx", "SetTabTitle_SelectthefolderEx",
    "GetTabTitle_SelectthefolderEx", "SetTabFontColor_SelectthefolderEx",
    "GetTabFontColor_SelectthefolderEx", "SetTabSize_SelectthefolderEx",
    "GetTabSize_SelectthefolderEx", "GuaranteeVisible_SelectthefolderEx",
    "InsertControl_SelectthefolderEx", "RemoveControl_SelectthefolderEx",
    // Unit type ToolbarEx
    "CreateControl_ToolbarEx", "SetAttribute_ToolbarEx", "GetAttribute_ToolbarEx",
    "InsertButton_ToolbarEx", "DeleteButton_ToolbarEx", "GetButtonCount_ToolbarEx",
    "SetButtonData_ToolbarEx", "GetButtonData_ToolbarEx", "SetButtonIco_ToolbarEx",
    "GetButtonIco_ToolbarEx", "SetButtonTitle_ToolbarEx", "GetButtonTitle_ToolbarEx",
    "SetButtonFontColor_ToolbarEx", "GetButtonFontColor_ToolbarEx", "SetButtonSize_ToolbarEx",
    "GetButtonSize_ToolbarEx", "SetButtonType_ToolbarEx", "GetButtonType_ToolbarEx",
    "SetButtonAlign_ToolbarEx", "GetButtonAlign_ToolbarEx", "SetButtonSelected_ToolbarEx",
    "GetButtonSelected_ToolbarEx", "SetButtonDisabled_ToolbarEx", "GetButtonDisabled_ToolbarEx",
    "GuaranteeVisible_ToolbarEx",
    // Unit type ListboxEx
    "CreateControl_ListboxEx", "SetAttribute_ListboxEx", "GetAttribute_ListboxEx",
    "InsertItem_ListboxEx", "DeleteItem_ListboxEx", "GetItemCount_ListboxEx",
    "SetItemData_ListboxEx", "GetItemData_ListboxEx", "SetItemIco_ListboxEx",
    "GetItemIco_ListboxEx", "SetItemTitle_ListboxEx", "GetItemTitle_ListboxEx",
    "GetItemFontColor_ListboxEx", "SetItemFontColor_ListboxEx", "SetItemSize_ListboxEx",
    "GetItemSize_ListboxEx", "GuaranteeVisible_ListboxEx",
    // Unit type SuperListboxEx
    "CreateControl_SuperListboxEx", "SetAttribute_SuperListboxEx", "GetAttribute_SuperListboxEx",
    "InsertColumn_SuperListboxEx", "DeleteColumn_SuperListboxEx", "GetColumnCount_SuperListboxEx",
    "SetColumnAttribute_SuperListboxEx", "GetColumnAttribute_SuperListboxEx",
    "InsertItem_SuperListboxEx", "DeleteItem_SuperListboxEx", "GetItemCount_SuperListboxEx",
    "SetItemData_SuperListboxEx", "GetItemData_SuperListboxEx", "SetItemIco_SuperListboxEx",
    "GetItemIco_SuperListboxEx", "SetItemTitle_SuperListboxEx", "GetItemTitle_SuperListboxEx",
    "SetItemFontColor_SuperListboxEx", "GetItemFontColor_SuperListboxEx",
    "SetItemSize_SuperListboxEx", "GetItemSize_SuperListboxEx", "GuaranteeVisible_SuperListboxEx",
    // Unit type IcoListboxEx
    "CreateControl_IcoListboxEx", "SetAttribute_IcoListboxEx", "GetAttribute_IcoListboxEx",
    "InsertItem_IcoListboxEx", "DeleteItem_IcoListboxEx", "GetItemCount_IcoListboxEx",
    "SetItemData_IcoListboxEx", "GetItemData_IcoListboxEx", "SetItemIco_IcoListboxEx",
    "GetItemIco_IcoListboxEx", "SetItemTitle_IcoListboxEx", "GetItemTitle_IcoListboxEx",
    "SetItemFontColor_IcoListboxEx", "GetItemFontColor_IcoListboxEx",
    "GuaranteeVisible_IcoListboxEx",
    // Unit type TreeListEx
    "CreateControl_TreeListEx", "SetAttribute_TreeListEx", "GetAttribute_TreeListEx",
    "InsertItem_TreeListEx", "DeleteItem_TreeListEx", "GetItemCount_TreeListEx",
    "SetItemData_TreeListEx", "GetItemData_TreeListEx", "SetItemIco_TreeListEx",
    "GetItemIco_TreeListEx", "SetItemTitle_TreeListEx", "GetItemTitle_TreeListEx",
    "SetItemFontColor_TreeListEx", "GetItemFontColor_TreeListEx", "SetItemWidth_TreeListEx",
    "GetItemWidth_TreeListEx", "SetItemSize_TreeListEx", "GetItemSize_TreeListEx",
    "SetItemType_TreeListEx", "GetItemType_TreeListEx", "SetItemFold_TreeListEx",
    "GetItemFold_TreeListEx", "GetItemLevel_TreeListEx", "GetSubItemCount_TreeListEx",
    "GetNextSubItemCount_TreeListEx", "GetAncestorItem_TreeListEx", "GetFatherItem_TreeListEx",
    "GetLastItem_TreeListEx", "GetNextItem_TreeListEx", "GuaranteeVisible_TreeListEx",
    // Unit type WebBrowserEx
    "CreateControl_WebBrowserEx", "SetAttribute_WebBrowserEx", "GetAttribute_WebBrowserEx",
    "GetWebView_WebBrowserEx", "Load_WebBrowserEx", "GoBack_WebBrowserEx", "GoForward_WebBrowserEx",
    "GoCanBack_WebBrowserEx", "GoCanForward_WebBrowserEx", "ReLoad_WebBrowserEx",
    "StopLoading_WebBrowserEx", "RunCmd_WebBrowserEx", "GetCookie_WebBrowserEx",
    "SetCookie_WebBrowserEx", "RunJS_WebBrowserEx", "BindFunction_WebBrowserEx",
    "GetUrl_WebBrowserEx", "GetTitle_WebBrowserEx", "GetSource_WebBrowserEx",
    "IsLoading_WebBrowserEx", "IsLoadingSucceeded_WebBrowserEx", "IsLoadingCompleted_WebBrowserEx",
    "IsDocumentReady_WebBrowserEx", "ShowDevtools_WebBrowserEx",
    // Unit type CalendarBoxEx
    "CreateControl_CalendarBoxEx", "SetAttribute_CalendarBoxEx", "GetAttribute_CalendarBoxEx",
    // Unit type ColorPickEx
    "CreateControl_ColorPickEx", "SetAttribute_ColorPickEx", "GetAttribute_ColorPickEx",
    // Unit type RichEditEx
    "CreateControl_RichEditEx", "SetAttribute_RichEditEx", "GetAttribute_RichEditEx",
    "InsertText_RichEditEx", "DeleteText_RichEditEx", "SetInsertCursor_RichEditEx",
    "GetInsertCursor_RichEditEx", "SetSelectLeng_RichEditEx", "GetSelectLeng_RichEditEx",
    "GuaranteeVisibleText_RichEditEx", "SetSelCharFormat_RichEditEx", "GetSelCharFormat_RichEditEx",
    "SetSelParaFormat_RichEditEx", "GetSelParaFormat_RichEditEx", "RunServicesCmd_RichEditEx",
    // Unit type ExtendEx
    "CreateControl_ExtendEx", "SetAttribute_ExtendEx", "GetAttribute_ExtendEx",
    "SetExtendAttr_ExtendEx", "GetExtendAttr_ExtendEx", "RunExtendCmd_ExtendEx",
    // Unit type AnimationbuttonEx
    "CreateControl_AnimationbuttonEx", "SetAttribute_AnimationbuttonEx",
    "GetAttribute_AnimationbuttonEx",
    // Unit type AdvancedFormEx
    "CreateControl_AdvancedFormEx", "SetAttribute_AdvancedFormEx", "GetAttribute_AdvancedFormEx",
    "InsertColumn_AdvancedFormEx", "DeleteColumn_AdvancedFormEx", "GetColumnCount_AdvancedFormEx",
    "SetColumnAttribute_AdvancedFormEx", "GetColumnAttribute_AdvancedFormEx",
    "InsertItem_AdvancedFormEx", "DeleteItem_AdvancedFormEx", "GetItemCount_AdvancedFormEx",
    "SetItemData_AdvancedFormEx", "GetItemData_AdvancedFormEx", "SetItemIco_AdvancedFormEx",
    "GetItemIco_AdvancedFormEx", "SetItemTitle_AdvancedFormEx", "GetItemTitle_AdvancedFormEx",
    "SetItemFontColor_AdvancedFormEx", "GetItemFontColor_AdvancedFormEx",
    "SetItemHeight_AdvancedFormEx", "GetItemHeight_AdvancedFormEx",
    "SetItemMaxHeight_AdvancedFormEx", "GetItemMaxHeight_AdvancedFormEx",
    "SetItemMinHeight_AdvancedFormEx", "GetItemMinHeight_AdvancedFormEx",
    "MergeCell_AdvancedFormEx", "BreakCell_AdvancedFormEx", "GetMergeInfo_AdvancedFormEx",
    "SetItemColorScheme_AdvancedFormEx", "GetItemColorScheme_AdvancedFormEx",
    "SetItemSelect_AdvancedFormEx", "GetItemSelect_AdvancedFormEx",
    "GuaranteeVisible_AdvancedFormEx",
    // Unit type SlideButtonEx
    "CreateControl_SlideButtonEx", "SetAttribute_SlideButtonEx", "GetAttribute_SlideButtonEx",
    // Unit type PieChartEx
    "CreateControl_PieChartEx", "SetAttribute_PieChartEx", "GetAttribute_PieChartEx",
    "SetGraphCount_PieChartEx", "GetGraphCount_PieChartEx", "SetGraphAttr_PieChartEx",
    "GetGraphAttr_PieChartEx", "SetGraphValue_PieChartEx", "GetGraphValue_PieChartEx",
    // Unit type BarChartEx
    "CreateControl_BarChartEx", "SetAttribute_BarChartEx", "GetAttribute_BarChartEx",
    "SetGraphCount_BarChartEx", "GetGraphCount_BarChartEx", "SetGraphAttr_BarChartEx",
    "GetGraphAttr_BarChartEx", "SetGraphValue_BarChartEx", "GetGraphValue_BarChartEx",
    // Unit type CurveChartEx
    "CreateControl_CurveChartEx", "SetAttribute_CurveChartEx", "GetAttribute_CurveChartEx",
    "SetGraphCount_CurveChartEx", "GetGraphCount_CurveChartEx", "SetGraphAttr_CurveChartEx",
    "GetGraphAttr_CurveChartEx", "SetGraphValue_CurveChartEx", "GetGraphValue_CurveChartEx",
    // Unit type CandleChartEx
    "CreateControl_CandleChartEx", "SetAttribute_CandleChartEx", "GetAttribute_CandleChartEx",
    "SetGraphValue_CandleChartEx", "GetGraphValue_CandleChartEx",
    // Unit type DrawPanelEx
    "CreateControl_DrawPanelEx", "SetAttribute_DrawPanelEx", "GetAttribute_DrawPanelEx",
    "DrawImage_DrawPanelEx", "DrawString_DrawPanelEx", "DrawPolygon_DrawPanelEx",
    "DrawRect_DrawPanelEx", "DrawEllipse_DrawPanelEx", "DrawPie_DrawPanelEx",
    "DrawCurve_DrawPanelEx", "DrawArc_DrawPanelEx", "DrawLine_DrawPanelEx", "Clear_DrawPanelEx",
    "Update_DrawPanelEx", "SetClip_DrawPanelEx", "SetGraphicsquality_DrawPanelEx",
    "GetGraphicsData_DrawPanelEx",
    // Unit type WindowBoxEx
    "Create_WindowBoxEx", "IsWindow_WindowBoxEx", "Destroy_WindowBoxEx", "SetLeft_WindowBoxEx",
    "GetLeft_WindowBoxEx", "SetTop_WindowBoxEx", "GetTop_WindowBoxEx", "SetWidth_WindowBoxEx",
    "GetWidth_WindowBoxEx", "SetHeight_WindowBoxEx", "GetHeight_WindowBoxEx", "SetRect_WindowBoxEx",
    "GetRect_WindowBoxEx", "SetLocation_WindowBoxEx", "GetLocation_WindowBoxEx",
    "GetVisual_WindowBoxEx", "SetVisual_WindowBoxEx", "GetDisabled_WindowBoxEx",
    "SetDisabled_WindowBoxEx", "SetSign_WindowBoxEx", "GetSign_WindowBoxEx",
    "SetParent_WindowBoxEx", "GetParent_WindowBoxEx", "GetIco_WindowBoxEx", "SetIco_WindowBoxEx",
    "GetTitle_WindowBoxEx", "SetTitle_WindowBoxEx", "GetStyle_WindowBoxEx", "Setstyle_WindowBoxEx",
    "GetExStyle_WindowBoxEx", "SetExStyle_WindowBoxEx", "SetTaskbar_WindowBoxEx",
    "GetTaskbar_WindowBoxEx", "SetAlwaysTop_WindowBoxEx", "GetAlwaysTop_WindowBoxEx",
    "SetEscClose_WindowBoxEx", "GetEscClose_WindowBoxEx", "EnableDragDrop_WindowBoxEx",
    "CloseDragDrop_WindowBoxEx", "SetFocus_WindowBoxEx", "GetFocus_WindowBoxEx",
    "SetLevel_WindowBoxEx", "SetNotifyIcon_WindowBoxEx", "SendMessage_WindowBoxEx",
    "PostMessage_WindowBoxEx", "MessageLoop_WindowBoxEx",
    // Unit type StructEx
    "Create_StructEx", "Destroy_StructEx", "Load_StructEx", "Pack_StructEx",
    "InsertMember_StructEx", "DeleteMember_StructEx", "GetMemberCount_StructEx",
    "GetMemberType_StructEx", "SetMemberName_StructEx", "GetMemberName_StructEx",
    "SetMemberBool_StructEx", "GetMemberBool_StructEx", "SetMemberInt_StructEx",
    "GetMemberInt_StructEx", "SetMemberLongInt_StructEx", "GetMemberLongInt_StructEx",
    "SetMemberFloat_StructEx", "GetMemberFloat_StructEx", "SetMemberDouble_StructEx",
    "GetMemberDouble_StructEx", "SetMemberText_StructEx", "GetMemberText_StructEx",
    "SetMemberBin_StructEx", "GetMemberBin_StructEx", "SetMemberStruct_StructEx",
    "GetMemberStruct_StructEx", "InsertAttr_StructEx", "DeleteAttr_StructEx",
    "GetAttrCount_StructEx", "GetAttrType_StructEx", "SetAttrName_StructEx", "GetAttrName_StructEx",
    "SetAttrBool_StructEx", "GetAttrBool_StructEx", "SetAttrInt_StructEx", "GetAttrInt_StructEx",
    "SetAttrLongInt_StructEx", "GetAttrLongInt_StructEx", "SetAttrFloat_StructEx",
    "GetAttrFloat_StructEx", "SetAttrDouble_StructEx", "GetAttrDouble_StructEx",
    "SetAttrText_StructEx", "GetAttrText_StructEx", "SetAttrBin_StructEx", "GetAttrBin_StructEx",
    "SetAttrStruct_StructEx", "GetAttrStruct_StructEx",
}};
// clang-format on

// Position of a name in the table; a name that is not there does not compile when used in a
// constant expression, so typed accessors cannot drift from the list.
consteval std::size_t UiExportIndex(std::string_view name) {
  for (std::size_t i = 0; i < kUiExportNames.size(); ++i) {
    if (kUiExportNames[i] == name) return i;
  }
  throw "unknown skin-UI library export";
}

}  // namespace storvane::uilib
