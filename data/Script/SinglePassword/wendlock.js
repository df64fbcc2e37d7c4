// Wendlock login script, single password.
//
// Each protected page carries a copy of this file inside its main script
// element. The page defines before it: LoginExpireType, LoginExpireDays,
// LoginIncorrectMode, LoginAlertText, LoginRedirectURL,
// LoginRedirectURLTarget, RefreshPageInIE, PWDCSS, PWDMKK and the content
// array vxpa. The check for a remembered login starts when the script
// runs; the body's load event calls vxpcheck().
//
// Contract with the login-page template:
//   <form id="vxpform">      the login form; its submit runs the check
//   <input id="vxppass">     the password field
//   <... id="vxperror">      optional, role="alert": gets the alert text
//                            after a wrong password
// The template should carry onsubmit="return false;" on the form so that
// nothing is sent anywhere before the page has finished loading.
//
// Remembered logins keep the page key (never the password) under the name
// "classic-single", as remember.js describes: in IndexedDB or the tab's
// sessionStorage, never in a cookie or localStorage. Opening a page with
// #wendlock-logout forgets every remembered login.
//
// Plain ES5 on purpose: it must run in old browsers and from file://.

var vxpcheck = (function () {
  'use strict';

  // @include ui.js
  // @include remember.js
  // @include common.js

  var LOGIN_NAME = 'classic-single';
  var FIELDS = ['vxppass'];
  var DEFAULT_ERROR = 'The password is not correct.';

  function readModeSettings() {
    // the page key is all this mode needs
  }

  // Remembered material of this mode is the page key itself.
  function openWith(material) {
    if (!/^[0-9a-f]{32}$/.test(material)) {
      return null;
    }
    return pageText(material);
  }

  function typedMaterial() {
    var password = fieldValue('vxppass');
    if (!passwordCase) {
      password = foldAscii(password);
    }
    return keyFromBytes(utf8Bytes(password));
  }

  return startChecking();
})();
