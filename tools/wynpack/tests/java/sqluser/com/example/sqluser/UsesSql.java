package com.example.sqluser;

import java.sql.DriverManager;

/** Uses a module beyond java.base (java.sql), so that jdeps has something to find. */
public final class UsesSql {
    private UsesSql() {}

    public static void main(String[] args) {
        DriverManager.setLoginTimeout(7);
        System.out.println("login timeout " + DriverManager.getLoginTimeout() + " on "
                + System.getProperty("java.home"));
    }
}
