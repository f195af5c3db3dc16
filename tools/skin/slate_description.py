"""The description of Orvane's default skin "Slate" (written by gen_default_skin.py
with CR LF line ends as slate.ini)."""

DESCRIPTION = """\
; Orvane's default skin "Slate": drawn by tools/skin/gen_default_skin.py.
; Images are 24-bit bitmaps; 255 0 255 marks see-through pixels.

[TitlebarSkin]
SkinName=Slate

[Personality]
Left=frame_left.bmp
LeftTopHeight=32
LeftBotHeight=4
LeftFrame=2
LeftStretch=1
LeftTrans=1
Right=frame_right.bmp
RightTopHeight=32
RightBotHeight=4
RightFrame=2
RightStretch=1
RightTrans=1
Top=frame_top.bmp
TopTopHeight=8
TopBotHeight=8
TopFrame=2
TopStretch=1
TopTrans=1
Bottom=frame_bottom.bmp
BottomTopHeight=2
BottomBotHeight=2
BottomFrame=2
BottomStretch=1
BottomTrans=0
TextBack=caption_back.bmp
TextShift=28
TextShiftVert=2
TextRightClip=84
TextAlignment=0
Textbackground=1
TXTBackleft=8
TXTBackRight=8
ActiveTextR=255
ActiveTextG=255
ActiveTextB=255
InActiveTextR=236
InActiveTextG=240
InActiveTextB=245
menuBar=menubar.bmp
TileMenu=1
TileLeftMenu=1
TileRightMenu=1

[Fonts]
FontHeight=14

[Colours]
WindowText=26 34 46
TitleTextActive=255 255 255
TitleTextNoActive=236 240 245
ButtonFace=234 238 243
ButtonText=26 34 46
ButtonHilight=248 250 252
Buttonlight=248 250 252
ButtonShadow=176 186 200
ButtonDkShadow=108 120 138
HilightText=255 255 255
Hilight=46 110 170
Menubar=234 238 243
MenuBarText=26 34 46
MenuText=26 34 46
Menu=250 251 253
Scrollbar=224 229 236

[Colour.Accent]
color=46 110 170

[Colour.Warning]
color=214 74 62

[Customcolors]
Color0=46 110 170
Color1=74 124 178
Color2=132 176 222
Color3=30 78 128
Color4=214 74 62
Color5=76 150 92
Color6=226 168 52
Color7=108 120 138
Color8=176 186 200
Color9=234 238 243

[Button.Close]
Action=0
Align=1
Xcoord=27
Ycoord=6
Visibility=0
Visibility1=0
CombineOp=-1
ButtonImage=btn_close.bmp

[Button.Maximize]
Action=1
Align=1
Xcoord=50
Ycoord=6
Visibility=2
Visibility1=6
ButtonImage=btn_maximize.bmp

[Button.Restore]
Action=1
Align=1
Xcoord=50
Ycoord=6
Visibility=1
Visibility1=6
ButtonImage=btn_restore.bmp

[Button.Minimize]
Action=2
Align=1
Xcoord=73
Ycoord=6
Visibility=8
ButtonImage=btn_minimize.bmp

[Button.Help]
Action=4
Align=1
Visibility=10
Visibility1=10
frame=6
ButtonImage=btn_help.bmp

[Button.SysMenu]
Action=3
Align=0
Xcoord=8
Ycoord=7
Visibility=0

[MDICONTROLS]
Image=mdi_controls.bmp

[Buttons]
Bitmap=button.bmp
LeftWidth=5
RightWidth=5
TopHeight=5
BottomHeight=5
Trans=1
Tile=0
CheckButton=checkbox.bmp
RadioButton=radio.bmp
CheckButtonFrame=0
RadioButtonFrame=0
NormalColour=0x002E2218
MouseOverColour=0x00AA6E2E
PressedColour=0x00804E1E
NormalColour2=26 34 46
MouseOverColour2=20 60 110
PressedColour2=16 40 80

[Progress]
Bitmap=progress.bmp
Style=0
LeftWidth=3
RightWidth=3
TopHeight=3
BottomHeight=3
Trans=1
Tile=0

[Progress.Chunk]
Image=progress_chunk.bmp
Style=0
Frame=1
LeftWidth=1
RightWidth=1
TopHeight=0
BottomHeight=0
Tile=0
Trans=0

[GroupBoxEdge]
Image=groupbox_edge.bmp
Style=0
LeftWidth=4
RightWidth=4
TopHeight=4
BottomHeight=4
Trans=1

[GroupBox]
Image=groupbox_label.bmp
Style=0
LeftWidth=5
RightWidth=5
TopHeight=4
BottomHeight=4
Trans=1
NormalColour2=26 34 46
BackgroundAlignment=0
BackgroundLeftShift=6
BackgroundRightShift=6

[Tabs]
Image=tabs.bmp
Border=tab_page.bmp
Style=0
LeftWidth=4
RightWidth=4
TopHeight=4
BottomHeight=2
Trans=1
Tile=0
NormalColour2=70 82 100
MouseOverColour2=26 34 46

[Tab.Pane]
Image=tab_page.bmp
LeftWidth=4
RightWidth=4
TopHeight=5
BottomHeight=4

[StatusBarEdges]
Image=statusbar.bmp
LeftWidth=2
RightWidth=2
TopHeight=2
BottomHeight=2
NormalColour2=26 34 46

[ToolBars]
Image=toolbutton.bmp
Style=0
LeftWidth=4
RightWidth=4
TopHeight=4
BottomHeight=4
Trans=1
NormalColour=0x002E2218
MouseOverColour=0x00804E1E
PressedColour=0x00804E1E

[ComboButton]
Image=combo_button.bmp
Style=0
LeftWidth=3
RightWidth=3
TopHeight=3
BottomHeight=3
Trans=1

[SunkEdge]
Image=sunken_edge.bmp
Style=0
LeftWidth=3
RightWidth=3
TopHeight=3
BottomHeight=3
Trans=1

[ExtraImages]
Image=extra_images.bmp
Trans=1

[Headerbar]
Image=headerbar.bmp
Frame=2
LeftWidth=2
RightWidth=2
TopHeight=2
BottomHeight=2
NormalColour2=26 34 46

[MenuItem]
Image=menuitem.bmp
LeftWidth=4
RightWidth=4
TopHeight=4
BottomHeight=4
Trans=1
NormalColour2=26 34 46
MouseOverColour2=255 255 255
PressedColour2=255 255 255

[MenuBackground]
Image=menu_background.bmp
LeftWidth=3
RightWidth=3
TopHeight=3
BottomHeight=3

[Scrollbar]
Image=scrollbar.bmp
Trans=1

[HorzScroll]
Image=scroll_horz.bmp
LeftWidth=2
RightWidth=2
Tile=0

[VertScroll]
Image=scroll_vert.bmp
TopHeight=2
BottomHeight=2
Tile=0

[HorzScrollThumb]
Image=thumb_horz.bmp
FrameCount=3
LeftWidth=4
RightWidth=4
TopHeight=3
BottomHeight=3
Trans=1

[VertScrollThumb]
Image=thumb_vert.bmp
FrameCount=3
LeftWidth=3
RightWidth=3
TopHeight=4
BottomHeight=4
Trans=1

[Trackbar.ThumbHorz]
Image=track_thumb_horz.bmp
Trans=1

[Trackbar.ThumbVert]
Image=track_thumb_vert.bmp
Trans=1

[Trackbar.ThumbLeft]
Image=track_thumb_left.bmp
Trans=1

[Trackbar.ThumbRight]
Image=track_thumb_right.bmp
Trans=1

[Trackbar.ThumbUp]
Image=track_thumb_up.bmp
Trans=1

[Trackbar.ThumbDown]
Image=track_thumb_down.bmp
Trans=1

[UpDown.Horz]
Image=updown_horz.bmp
GlyphImage=updown_horz_glyphs.bmp
Trans=1

[UpDown.Vert]
Image=updown_vert.bmp
GlyphImage=updown_vert_glyphs.bmp
Trans=1

[Track]
Image=track.bmp
Frame=1
LeftWidth=3
RightWidth=3

[TRACKVERT]
Image=trackvert.bmp
Frame=1
TopHeight=3
BottomHeight=3
"""
