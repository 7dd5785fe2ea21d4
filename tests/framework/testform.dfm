object TestForm: TTestForm
  Tag = 4450
  Left = 200
  Top = 120
  Width = 436
  Height = 342
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Orvanta Uninstall'
  Font.Charset = 1
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Position = poScreenCenter
  OnClose = FormClose
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  object btOk: TButton
    Tag = 501
    Left = 124
    Top = 276
    Width = 75
    Height = 25
    Anchors = [akLeft, akBottom]
    Caption = '&Ok'
    Default = True
    OnClick = btOkClick
  end
  object btCancel: TButton
    Tag = 502
    Left = 236
    Top = 276
    Width = 75
    Height = 25
    Anchors = [akLeft, akBottom]
    Cancel = True
    Caption = '&Cancel'
    OnClick = btCancelClick
  end
  object pnMsg: TPanel
    Left = 16
    Top = 16
    Width = 396
    Height = 222
    Anchors = [akLeft, akTop, akRight]
    BevelOuter = bvLowered
    BorderWidth = 8
    Caption = ''
    object laMsg1: TLabel
      Tag = 4451
      Left = 9
      Top = 9
      Width = 378
      Height = 20
      Align = alTop
      AutoSize = False
      Caption = 'This program will uninstall'
      WordWrap = True
    end
    object laProductPath: TLabel
      Left = 9
      Top = 178
      Width = 378
      Height = 25
      Align = alTop
      AutoSize = False
      Caption = 'laProductPath'
      WordWrap = True
    end
    object laUserFiles: TLabel
      Tag = 4452
      Left = 9
      Top = 29
      Width = 378
      Height = 34
      Align = alTop
      AutoSize = False
      Caption = 'Warning! The following files seem to belong to User or to be modified by User. Please check option below if you want to delete them.'
      WordWrap = True
    end
    object lbUserFiles: TListBox
      Left = 9
      Top = 63
      Width = 378
      Height = 82
      Align = alTop
      Color = clBtnFace
      IntegralHeight = True
      Items.Strings = (
        'Notes\mine.txt'
        'It''s here.doc')
    end
    object laSpacing1: TLabel
      Left = 9
      Top = 145
      Width = 378
      Height = 6
      Align = alTop
      AutoSize = False
      Caption = ''
    end
    object laWarning: TLabel
      Left = 9
      Top = 151
      Width = 378
      Height = 27
      Align = alTop
      AutoSize = False
      Caption = 'laWarning'
      Font.Charset = 1
      Font.Color = clWindowText
      Font.Height = -11
      Font.Name = 'MS Sans Serif'
      Font.Style = [fsBold]
      ParentFont = False
      WordWrap = True
    end
  end
  object chDeleteUserFiles: TCheckBox
    Tag = 4453
    Left = 16
    Top = 246
    Width = 396
    Height = 17
    Caption = 'Delete User files listed above'
    OnClick = chDeleteUserFilesClick
  end
  object Label2: TLabel
    Left = 0
    Top = 0
    Width = 430
    Height = 13
    Align = alTop
    AutoSize = False
    Caption = ''
  end
  object rgMode: TRadioGroup
    Tag = -4454
    Left = 440
    Top = 16
    Width = 120
    Height = 80
    Caption = 'Mode'
    ItemIndex = 1
    Items.Strings = (
      'One'
      'Two'
      'Three')
    Visible = False
  end
  object miFile: TMenuItem
    Tag = 4455
    Caption = '&File'
    Hint = 'File commands'
    ShortCut = 16454
    object miOpen: TMenuItem
      Caption = '&Open'
      ShortCut = 16463
    end
  end
  object tmTick: TTimer
    Enabled = False
    Interval = 50
    OnTimer = tmTickTimer
  end
end
