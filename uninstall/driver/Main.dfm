object MainForm: TMainForm
  Left = 300
  Top = 200
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Orvanta Uninstall'
  Width = 436
  Height = 342
  Position = poScreenCenter
  Font.Name = 'MS Sans Serif'
  Font.Height = -11
  Tag = 4450
  OnClose = FormClose
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  object Label2: TLabel
    Left = 0
    Top = 0
    Width = 430
    Height = 13
    Align = alTop
    AutoSize = False
  end
  object pnMsg: TPanel
    Left = 16
    Top = 16
    Width = 396
    Height = 222
    Anchors = [akLeft, akTop, akRight]
    BevelOuter = bvLowered
    Caption = ''
    BorderWidth = 8
    object laMsg1: TLabel
      Left = 9
      Top = 9
      Width = 378
      Height = 20
      Align = alTop
      AutoSize = False
      Caption = 'This program will uninstall'
      WordWrap = True
      Tag = 4451
    end
    object laUserFiles: TLabel
      Left = 9
      Top = 29
      Width = 378
      Height = 34
      Align = alTop
      AutoSize = False
      Caption = 'Warning! The following files seem to belong to User or to be modified by User. Please check option below if you want to delete them.'
      WordWrap = True
      Tag = 4452
    end
    object lbUserFiles: TListBox
      Left = 9
      Top = 63
      Width = 378
      Height = 82
      Align = alTop
      IntegralHeight = True
      ParentColor = True
    end
    object laSpacing1: TLabel
      Left = 9
      Top = 145
      Width = 378
      Height = 6
      Align = alTop
      AutoSize = False
    end
    object laWarning: TLabel
      Left = 9
      Top = 151
      Width = 378
      Height = 27
      Align = alTop
      AutoSize = False
      Caption = 'laWarning'
      ParentFont = False
      Font.Name = 'MS Sans Serif'
      Font.Height = -11
      Font.Style = [fsBold]
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
  end
  object chDeleteUserFiles: TCheckBox
    Left = 16
    Top = 246
    Width = 396
    Height = 17
    Caption = 'Delete User files listed above'
    Tag = 4453
    OnClick = chDeleteUserFilesClick
  end
  object btOk: TButton
    Left = 122
    Top = 276
    Width = 89
    Height = 25
    Anchors = [akBottom]
    Caption = '&Ok'
    Default = True
    Tag = 501
    OnClick = btOkClick
  end
  object btCancel: TButton
    Left = 221
    Top = 276
    Width = 89
    Height = 25
    Anchors = [akBottom]
    Cancel = True
    Caption = '&Cancel'
    Tag = 502
    OnClick = btCancelClick
  end
end
