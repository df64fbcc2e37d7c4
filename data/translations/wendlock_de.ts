<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CAboutDialog</name>
    <message>
        <source>About %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 Version %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Website:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Email:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CAddFolderDlg</name>
    <message>
        <source>Add Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select a folder to add all web files under it to the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Folder:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Recursive add sub folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CAddProgress</name>
    <message>
        <source>%1 files added</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CAddUserDlg</name>
    <message>
        <source>Input information of the user here, user name and password is required.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Generate a random password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mail the account information to this address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;User Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Full Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Email:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Description:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add User</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The user name and password can&apos;t be empty!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your account information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User Name: %1 Password: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send mail failure!
No mail program or no default mail program on your operation system.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CCreateTemplateDlg</name>
    <message>
        <source>Create Template</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Template Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Based on:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDesktopApplications</name>
    <message>
        <source>no program was chosen</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CFilePropertiesDialog</name>
    <message>
        <source>%1 Properties</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(the file does not exist)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modified:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Accessed:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Permissions:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Owner:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, group %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 bytes (%2)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CFileTypes</name>
    <message>
        <source>File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 File</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CHelpTopics</name>
    <message>
        <source>open the help page</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CHyperlinkLabel</name>
    <message>
        <source>Send mail failure!
No mail program or no default mail program on your operation system.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>Nothing was protected: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The run was cancelled. </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 protected, %2 failed, %3 skipped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, %1 not processed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> — see the Result page.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Page format: strong.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Page format: classic.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The backups (*.original) were written beside the pages. Do not upload them: a web server hands them out unprotected.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 other file(s) of the site enciphered, %2 failed (see the Result page).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>COpenWithDialog</name>
    <message>
        <source>Open With</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the program you want to use to open this file:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Other program...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the program &quot;%1&quot; could not be started</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPageFiles</name>
    <message>
        <source>missing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>protected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>plain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>State</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) listed</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Adds web pages you pick to the list of pages to protect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adds every web page of a folder (and its sub-folders if you choose).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Takes the selected pages off the list; the files themselves stay as they are.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Empties the list; the files themselves stay as they are.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adds the pages named in a list file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Writes the list of pages to a list file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The pages that Protect rewrites in place; each is opened by the password in the visitor&apos;s browser.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keeps a copy of each page as it was, so that Restore can bring it back.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Puts the kept copies back over the selected protected pages.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restoring the files list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restoring...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The restore was cancelled: %1 file(s) not processed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not restored:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPageOutput</name>
    <message>
        <source>Whole site</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Also encipher the site&apos;s other &amp;files (images, scripts, styles, data)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search indexes, images and data stay unreadable without the password; a service worker deciphers them in the visitor&apos;s browser after login.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Visitors must open the site over https or on this computer&apos;s localhost.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Site r&amp;oot:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only files below this folder are enciphered; nothing outside it is touched.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Leave out:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>patterns such as drafts/ *.psd</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files matching these patterns (separated by spaces) stay as they are.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the deepest folder that holds every listed page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>When empty: the deepest folder that holds every listed page.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>When empty: %1, the deepest folder that holds every listed page.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPagePassword</name>
    <message>
        <source>Every visitor opens the pages with the one password below.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Each visitor logs in with a user name and password of the list below.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The password visitors type on the login page.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Puts a new random password in the box.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The visitors who may log in; double-click one to edit it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adds a visitor with a user name and password.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Changes the selected visitor&apos;s user name, password or details.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Removes the selected visitors; they can no longer log in once the pages are protected again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Removes every visitor from the list.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adds the visitors of a CSV file (user name, password, ...).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Writes the visitors to a CSV file, passwords included.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV Files (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Single password mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Multiple user name and password mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Using single password or multiple user name and password to protect the files, visitors need to login before enter the protected files.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Generate a random password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Full Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Email</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Description</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Add User</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit User</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>De&amp;lete All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xport</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add User</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add user failure! The user &quot;%1&quot; already existed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select only one item to edit!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No item is selected!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit User</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Change user name failure! The user &quot;%1&quot; already existed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure to delete all items?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Add User...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add an user to list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit User...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit selected user in list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete selected users in list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>De&amp;lete All...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete all users in list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Import...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import users list from file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xport...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export users list to file</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPageResult</name>
    <message>
        <source>Rewrites every listed page so that a browser shows it only after the password.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opens the selected page in your web browser to try the login.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opens the selected page in an editor.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>What the last run did with each page.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPageStyle</name>
    <message>
        <source>Share logins of local (file://) pages between &amp;tabs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning: any local page open in this browser can then read this site.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If the login is incorrect, then</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>How long the browser keeps a visitor logged in after the password was accepted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The number of days a login is remembered in the visitor&apos;s browser.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lets a login typed in one tab open the site&apos;s local pages in the browser&apos;s other tabs too.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>After a wrong login the visitor&apos;s browser shows the text on the right.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The text the login page shows after a wrong password.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>After a wrong login the visitor&apos;s browser goes to the address on the right.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The address a wrong login leads to.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The window or frame that opens the address (empty: the page itself).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Whether the login page tells upper-case from lower-case letters in user names.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Whether the login page tells upper-case from lower-case letters in passwords.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Login</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Login Expire</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Specify when the login expire after login a protected web page.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Login expire after:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Web page unload</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Web browser close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Specified days past</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Days:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Login Incorrect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Alert with text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Redirect to URL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Target:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;User name case sensitive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Password case sensitive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enter an integer.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPageTemplate</name>
    <message>
        <source>The login pages to choose from; the one selected is what visitors see before the password.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Makes a new login page from a copy of the selected one.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opens your own login page in an editor.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deletes your own login page.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opens the selected login page in your web browser.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shows the selected login page below the list.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No item is selected!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Template</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select a template to customize the login page, or create your own template here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Create</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Browser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure to delete file &quot;%1&quot;? It can&apos;t be restored after deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Create...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Create your own template file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit selected template file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete selected template file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview selected template file with web browser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh the templates list</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CProtectRun</name>
    <message>
        <source>Deriving the keys of %1 user(s)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Protecting...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancelling: the pages in hand are finished...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Protecting: %1 of %2 file(s) done</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CShellOperations</name>
    <message>
        <source>open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no program is set to open files of type %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no program is set to open files of type &quot;%1&quot; (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Shell</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shell open the selected file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shell edit the selected file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open &amp;with...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shell open the selected file with...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open &amp;Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open folder of the selected file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Property...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View property of the selected file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No item is selected!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot %1 &quot;%2&quot;: %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file was not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the program set for its type could not be started</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no text editor is set (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the text editor &quot;%1&quot; could not be started</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CTemplatePreview</name>
    <message>
        <source>Loading preview…</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CTextPreview</name>
    <message>
        <source>&lt;p&gt;The file %1 cannot be shown.&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CVersionCheck</name>
    <message>
        <source>Check new version failure! Please check your network connect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No new version is released.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Current version is %1, newest version is %2. Do you want to download the newest version?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
