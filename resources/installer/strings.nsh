; The setup's own texts in the program's four languages; everything else on its pages comes with NSIS.
; Kept as UTF-8; makensis reads it with -INPUTCHARSET UTF8.

LangString SEC_PROGRAM ${LANG_ENGLISH} "Kelvane (required)"
LangString SEC_PROGRAM ${LANG_SIMPCHINESE} "Kelvane（必需）"
LangString SEC_PROGRAM ${LANG_TRADCHINESE} "Kelvane（必要）"
LangString SEC_PROGRAM ${LANG_FRENCH} "Kelvane (requis)"

LangString DESC_PROGRAM ${LANG_ENGLISH} "The keyboard configuration program, its companion and the command-line tool."
LangString DESC_PROGRAM ${LANG_SIMPCHINESE} "键盘配置程序、其辅助程序和命令行工具。"
LangString DESC_PROGRAM ${LANG_TRADCHINESE} "鍵盤設定程式、其輔助程式與命令列工具。"
LangString DESC_PROGRAM ${LANG_FRENCH} "Le programme de configuration du clavier, son compagnon et l'outil en ligne de commande."

LangString SEC_AUTOSTART ${LANG_ENGLISH} "Start Kelvane at logon"
LangString SEC_AUTOSTART ${LANG_SIMPCHINESE} "登录时启动 Kelvane"
LangString SEC_AUTOSTART ${LANG_TRADCHINESE} "登入時啟動 Kelvane"
LangString SEC_AUTOSTART ${LANG_FRENCH} "Démarrer Kelvane à l'ouverture de session"

LangString DESC_AUTOSTART ${LANG_ENGLISH} "After every logon Kelvane waits in the notification area, with administrator rights and without asking."
LangString DESC_AUTOSTART ${LANG_SIMPCHINESE} "每次登录后，Kelvane 以管理员权限在通知区域中待命，不会弹出询问。"
LangString DESC_AUTOSTART ${LANG_TRADCHINESE} "每次登入後，Kelvane 會以系統管理員權限在通知區域中待命，不會跳出詢問。"
LangString DESC_AUTOSTART ${LANG_FRENCH} "Kelvane démarre dans la zone de notification à chaque session, en administrateur."

LangString TASK_DESCRIPTION ${LANG_ENGLISH} "Starts Kelvane in the notification area at logon."
LangString TASK_DESCRIPTION ${LANG_SIMPCHINESE} "登录时在通知区域中启动 Kelvane。"
LangString TASK_DESCRIPTION ${LANG_TRADCHINESE} "登入時在通知區域中啟動 Kelvane。"
LangString TASK_DESCRIPTION ${LANG_FRENCH} "Démarre Kelvane dans la zone de notification à l'ouverture de session."

LangString TASK_FAILED ${LANG_ENGLISH} "The logon task could not be created: Kelvane will not start by itself at logon."
LangString TASK_FAILED ${LANG_SIMPCHINESE} "无法创建登录任务：Kelvane 不会在登录时自动启动。"
LangString TASK_FAILED ${LANG_TRADCHINESE} "無法建立登入工作：Kelvane 不會在登入時自動啟動。"
LangString TASK_FAILED ${LANG_FRENCH} "La tâche d'ouverture de session n'a pas pu être créée : Kelvane ne démarrera pas seul à l'ouverture de session."

LangString ENDING_PROGRAM ${LANG_ENGLISH} "Closing the running Kelvane..."
LangString ENDING_PROGRAM ${LANG_SIMPCHINESE} "正在关闭运行中的 Kelvane..."
LangString ENDING_PROGRAM ${LANG_TRADCHINESE} "正在關閉執行中的 Kelvane..."
LangString ENDING_PROGRAM ${LANG_FRENCH} "Fermeture de Kelvane en cours d'exécution..."

LangString STILL_RUNNING ${LANG_ENGLISH} "Kelvane is still running. Exit it from its icon in the notification area, then click Retry."
LangString STILL_RUNNING ${LANG_SIMPCHINESE} "Kelvane 仍在运行。请通过通知区域中的图标退出它，然后单击“重试”。"
LangString STILL_RUNNING ${LANG_TRADCHINESE} "Kelvane 仍在執行。請從通知區域中的圖示結束它，然後按一下「重試」。"
LangString STILL_RUNNING ${LANG_FRENCH} "Kelvane est toujours en cours d'exécution. Quittez-le depuis son icône dans la zone de notification, puis cliquez sur Réessayer."

LangString UNSEC_PROFILES ${LANG_ENGLISH} "Remove my profiles and settings"
LangString UNSEC_PROFILES ${LANG_SIMPCHINESE} "删除我的配置文件和设置"
LangString UNSEC_PROFILES ${LANG_TRADCHINESE} "移除我的設定檔與設定"
LangString UNSEC_PROFILES ${LANG_FRENCH} "Supprimer mes profils et réglages"

LangString UNDESC_PROFILES ${LANG_ENGLISH} "Also deletes your Kelvane profiles, macros and settings. Unticked, they are kept."
LangString UNDESC_PROFILES ${LANG_SIMPCHINESE} "同时删除您的 Kelvane 配置文件、宏和设置。不勾选则保留。"
LangString UNDESC_PROFILES ${LANG_TRADCHINESE} "同時刪除您的 Kelvane 設定檔、巨集與設定。不勾選則保留。"
LangString UNDESC_PROFILES ${LANG_FRENCH} "Supprime aussi vos profils, macros et réglages Kelvane. Sinon, ils sont conservés."
